#include "speech/espeak/Synthesizer.h"

#include <dlfcn.h>
#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>
#include <sonic.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <vector>

#include "base/AppError.h"
#include "speech/EngineErrors.h"
#include "platform/UiThread.h"
#include "speech/espeak/EngineText.h"
#include "speech/espeak/TextChunks.h"
#include "speech/markup/SpeechMarkup.h"
#include "speech/mandarin/MandarinFrontEnd.h"

// The library opens a sound device of its own as it starts, even for synthesis that hands every
// sample to a callback, as ours does: its sound library tries the sound server, and waits for
// one that accepts the connection and never answers. We play the sound ourselves, so the
// library gets no device: this definition comes ahead of the sound library's when the library's
// call is bound. Without a device the library never touches one in the callback mode we use.
extern "C" __attribute__((visibility("default"))) struct audio_object* create_audio_device_object(
    const char* /*device*/, const char* /*application*/, const char* /*description*/) {
    return nullptr;
}

namespace talvoro::espeak {
namespace {

constexpr int kNormalWpm = 175;
// How often the library hands over sound: small, so that the first sample leaves soon.
constexpr int kSynthChunkMs = 10;

// Nothing in a text may make the engine open a file or address.
int refuseEveryUri(int, const char*, const char*) {
    return 1;
}

// What is in force while one piece is synthesised: for the library's parameters, and for the
// sample callback.
struct PieceContext {
    int rate = 0;         // the piece's rate, -10..10
    int rateAtSpeak = 0;  // the engine's rate when the reading was asked for
    int pitch = 0;        // -10..10
    bool emphasis = false;
    AudioOutput* out = nullptr;
    const AbortFlag* abort = nullptr;
    std::uint64_t generation = 0;
    const std::atomic<int>* volume = nullptr;
    int pieceVolume = 100;
    float gain = 1.0f;  // emphasis
    sonicStream sonic = nullptr;
    bool failed = false;
    // The library pads every utterance with silence at both ends. A piece starts with its
    // first sound and ends with its last, so that markup adds exactly the pauses it asks for;
    // silence inside a piece is kept.
    bool sounding = false;
    long heldSilence = 0;
    std::vector<std::int16_t> buffer;
};

constexpr int kSilenceLevel = 64;
thread_local PieceContext* piece = nullptr;

// The speaking speed for a rate of -10..10: each step is 3^(1/10), so -10 is a third of the
// normal speed and +10 three times. The library covers 80..450 words a minute; beyond that the
// sound is stretched or compressed.
struct Speed {
    int wpm;
    float stretch;
};
Speed speedFor(int rate) {
    const double wpm = kNormalWpm * std::pow(3.0, rate / 10.0);
    const double lib = std::clamp(wpm, double{espeakRATE_MINIMUM}, double{espeakRATE_MAXIMUM});
    return {static_cast<int>(std::lround(lib)), static_cast<float>(wpm / lib)};
}

SynthesizerSetup& pendingSetup() {
    static SynthesizerSetup setup;
    return setup;
}

// The folder of the file this code was loaded from: the engine module, or the program that
// carries the engine.
std::string codeDirectory() {
    namespace fs = std::filesystem;
    std::error_code ec;
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(&codeDirectory), &info) && info.dli_fname) {
        const fs::path file = fs::canonical(info.dli_fname, ec);
        if (!ec) return file.parent_path().string();
    }
    const fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? std::string(".") : self.parent_path().string();
}

// The installed voice that reads `language` best (lowest priority), if any.
std::string voiceFor(const std::vector<VoiceEntry>& voices, const std::string& language) {
    const VoiceEntry* best = nullptr;
    int bestPriority = 0;
    for (const VoiceEntry& v : voices)
        for (const auto& [priority, lang] : v.languages)
            if (lang == language && (!best || priority < bestPriority))
                best = &v, bestPriority = priority;
    return best ? best->identifier : std::string();
}

}  // namespace

void Synthesizer::setUp(SynthesizerSetup setup) {
    pendingSetup() = std::move(setup);
}

Synthesizer& Synthesizer::instance() {
    static Synthesizer synthesizer;
    return synthesizer;
}

Synthesizer::Synthesizer() : setup_(pendingSetup()) {
    std::promise<void> listed, started;
    cataloged_ = listed.get_future().share();
    initialised_ = started.get_future().share();
    outputTriedFuture_ = outputTried_.get_future().share();
    thread_ =
        std::thread([this, listed = std::move(listed), started = std::move(started)]() mutable {
            // The voice listing is all the window needs to show; the library's own start (its
            // phoneme tables and dictionary) follows while the window comes up.
            try {
                readCatalog();
                listed.set_value();
            } catch (...) {
                listed.set_exception(std::current_exception());
                started.set_exception(std::current_exception());
                outputTried_.set_value();
                return;
            }
            try {
                awaitStart();
                initialise();
                started.set_value();
            } catch (...) {
                started.set_exception(std::current_exception());
                outputTried_.set_value();
                return;
            }
            run();
        });
}

Synthesizer::~Synthesizer() {
    stop();
}

void Synthesizer::stop() {
    if (!thread_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        ++generation_;
    }
    wake_.notify_all();
    if (auto out = output()) {
        out->setPaused(false);
        out->wake();
    }
    thread_.join();
    if (sampleRate_ > 0) espeak_Terminate();
}

void Synthesizer::readCatalog() {
    const char* dataPath = std::getenv("ESPEAK_DATA_PATH");
    espeak_ng_InitializePath(dataPath && *dataPath ? dataPath : nullptr);
    const char* path = nullptr;
    espeak_Info(&path);
    dataPath_ = path ? path : "";
    std::error_code ec;
    if (dataPath_.empty() || !std::filesystem::is_regular_file(dataPath_ + "/phontab", ec))
        throw AppError(kErrEngineFailed, "语音引擎错误：找不到 espeak-ng 的数据");
    catalog_ = std::make_unique<VoiceCatalog>(dataPath_, defaultLanguage(userLocale()));
    const auto voices = catalog_->voices();
    if (!voices.empty()) defaultVoice_ = voices.front().identifier;
}

void Synthesizer::initialise() {
    const char* dataPath = std::getenv("ESPEAK_DATA_PATH");
    const int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kSynthChunkMs,
                          dataPath && *dataPath ? dataPath : nullptr, espeakINITIALIZE_DONT_EXIT);
    if (rate <= 0) throw AppError(kErrEngineFailed, "语音引擎错误：无法初始化 espeak-ng");
    sampleRate_ = rate;
    espeak_SetUriCallback(refuseEveryUri);
    espeak_SetSynthCallback(
        [](short* wav, int count, espeak_EVENT* events) { return onSamples(wav, count, events); });
    if (!setup_.phonemeTrace) {
        // The phonemes of what the basket reads, for the desktop tests.
        const char* path = std::getenv("TALVORO_PHONEME_TRACE");
        if (path && *path && (setup_.phonemeTrace = std::fopen(path, "a")))
            std::setvbuf(setup_.phonemeTrace, nullptr, _IOLBF, 0);
    }
    if (setup_.phonemeTrace) espeak_SetPhonemeTrace(espeakPHONEMES_SHOW, setup_.phonemeTrace);
    loadMandarin();
    if (!defaultVoice_.empty()) selectVoice(defaultVoice_);
}

// The Mandarin dictionary is mapped, not read: opening it checks its header and bounds only.
// Without it (or without the pinyin or English voice) every text goes to its voice as written.
void Synthesizer::loadMandarin() {
    std::shared_ptr<const mandarin::FrontEnd> frontEnd;
    const char* override = std::getenv("TALVORO_MANDARIN_DICT");
    const std::string path = override && *override ? std::string(override)
                                                   : mandarin::Dictionary::locate(codeDirectory());
    try {
        if (path.empty())
            throw mandarin::DictionaryError(std::string("no ") + mandarin::Dictionary::kFileName +
                                            " beside " + codeDirectory());
        frontEnd = std::make_shared<const mandarin::FrontEnd>(mandarin::Dictionary::open(path));
    } catch (const std::exception& e) {
        mandarinProblem_ = e.what();
    }
    const auto voices = catalog_->voices();
    const std::string pinyin = voiceFor(voices, "cmn-latn-pinyin");
    const std::string english = voiceFor(voices, "en");
    if (frontEnd && (pinyin.empty() || english.empty()))
        mandarinProblem_ = "the engine's pinyin or English voice is not installed";
    // The pinyin voice's first load reads the library's Mandarin dictionary (some 7 ms): done
    // here, in the background, it does not delay the first Chinese reading.
    if (frontEnd && !pinyin.empty()) selectVoice(pinyin);
    router_ = std::make_unique<ScriptRouter>(std::move(frontEnd), pinyin, english);
}

void Synthesizer::cataloged() {
    cataloged_.get();
}

void Synthesizer::startEngine() {
    {
        std::lock_guard lock(mutex_);
        startWanted_ = true;
    }
    wake_.notify_all();
}

// Starting the library competes with the window for the processor; it waits until the window
// is up (the engine asks for it then), a reading wants it, or a second has passed.
void Synthesizer::awaitStart() {
    std::unique_lock lock(mutex_);
    wake_.wait_for(lock, std::chrono::seconds(1), [this] { return startWanted_ || stopping_; });
}

void Synthesizer::ready() {
    startEngine();
    initialised_.get();
}

VoiceCatalog& Synthesizer::catalog() {
    cataloged();
    return *catalog_;
}

std::shared_ptr<AudioOutput> Synthesizer::openOutput() {
    if (setup_.output) return setup_.output(sampleRate_);
    return openAudioOutput(sampleRate_, kBufferMs, paused());
}

std::shared_ptr<AudioOutput> Synthesizer::output() {
    std::lock_guard lock(outputMutex_);
    return output_;
}

// A new stream's first sound can wait for the sound server to settle its timing (more than a
// second with a fresh server); a little silence played first makes that happen before any
// reading. On the engine thread only; a purge cuts it short, and a server that stops answering
// ends it within the output's own bounded wait.
void Synthesizer::prime(AudioOutput& out, std::uint64_t generation) {
    if (!out.realTime()) return;
    const std::vector<std::int16_t> silence(static_cast<std::size_t>(sampleRate_) / 20, 0);
    if (out.write(silence.data(), silence.size(), generation_, generation))
        out.drain(generation_, generation);
}

long Synthesizer::speak(Request request) {
    ready();
    outputTriedFuture_.wait();
    // A sound server that went away, or none at the start: try again now. Opening costs at most
    // the output's bounded wait; the engine thread primes the new stream before it plays.
    if (auto out = output(); !out || !out->isOpen()) {
        std::shared_ptr<AudioOutput> fresh = openOutput();
        if (!fresh) throw AppError(kErrEngineFailed, "语音引擎错误：没有可用的音频设备");
        std::lock_guard lock(outputMutex_);
        output_ = std::move(fresh);
        outputPrimed_ = false;
    }

    const bool async = request.flags & kSvsfAsync;
    const bool purge = request.flags & kSvsfPurgeBeforeSpeak;
    auto stream = std::make_shared<Stream>();
    {
        std::lock_guard lock(mutex_);
        if (stopping_) throw AppError(kErrEngineFailed, "语音引擎错误：语音引擎已停止");
        // What is purged stays queued: the engine thread starts and ends it unheard, so that
        // every stream's events are posted in queue order, by one thread.
        if (purge) ++generation_;
        stream->number = nextNumber_++;
        stream->generation = generation_;
        stream->request = std::move(request);
        queue_.push_back(stream);
    }
    if (purge)
        if (auto out = output()) out->wake();
    wake_.notify_all();
    if (!async) {
        std::unique_lock lock(mutex_);
        finished_.wait(lock, [&] { return stream->done; });
    }
    return stream->number;
}

void Synthesizer::purgeAndWait() {
    {
        std::lock_guard lock(mutex_);
        ++generation_;
    }
    if (auto out = output()) out->wake();
    std::unique_lock lock(mutex_);
    finished_.wait(lock, [&] { return stopping_ || (queue_.empty() && !current_); });
}

void Synthesizer::pause() {
    if (pauseCount_++ == 0)
        if (auto out = output()) out->setPaused(true);
}

void Synthesizer::resume() {
    if (pauseCount_ == 0) return;
    if (--pauseCount_ == 0)
        if (auto out = output()) out->setPaused(false);
}

void Synthesizer::post(const Request& r, bool start) {
    if (!r.ui || !r.events) return;
    SpeechEvents* events = r.events;
    r.ui->post([events, start] {
        if (start)
            events->Voice_StartStream();
        else
            events->Voice_EndStream();
    });
}

void Synthesizer::finish(const std::shared_ptr<Stream>& stream) {
    post(stream->request, false);
    std::lock_guard lock(mutex_);
    stream->done = true;
    current_.reset();
    finished_.notify_all();
}

void Synthesizer::run() {
    // The sound stream is opened once the engine is ready (opening can take a while without a
    // sound server) and kept ready for the first reading.
    {
        std::shared_ptr<AudioOutput> out = openOutput();
        if (out && !paused()) prime(*out, generation_);
        std::lock_guard lock(outputMutex_);
        output_ = std::move(out);
        outputPrimed_ = true;
    }
    outputTried_.set_value();
    for (;;) {
        std::shared_ptr<Stream> stream;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) return;
            stream = queue_.front();
            queue_.pop_front();
            current_ = stream;
        }
        if (streamTaken) streamTaken(stream->number);
        post(stream->request, true);
        if (stream->generation == generation_) play(*stream);
        finish(stream);
    }
}

// How a voice meets the scripts of a text. A Han-script voice other than Mandarin reads Han
// text itself only if the library says so: Cantonese does, Hakka spells "Chinese letter".
VoiceInForce Synthesizer::inForce(const std::string& identifier) {
    if (auto known = voicesInForce_.find(identifier); known != voicesInForce_.end())
        return known->second;
    VoiceInForce in;
    in.voice = identifier;
    if (auto entry = catalog_->find(identifier.substr(0, identifier.find('+'))))
        in.script = voiceScript(*entry);
    if (in.script == VoiceScript::Han) {
        selectVoice(identifier);
        const char* probe = "\xE4\xB8\xAD";  // 中
        const void* text = probe;
        const char* phonemes = espeak_TextToPhonemes(&text, espeakCHARS_UTF8, 0);
        in.readsHan = phonemes && *phonemes && !std::strchr(phonemes, '(');
    }
    voicesInForce_.emplace(identifier, in);
    return in;
}

void Synthesizer::selectVoice(const std::string& identifier) {
    if (identifier == loadedVoice_ || identifier.empty()) return;
    if (espeak_SetVoiceByName(identifier.c_str()) == EE_OK) loadedVoice_ = identifier;
}

void Synthesizer::play(Stream& stream) {
    const std::uint64_t generation = stream.generation;
    Request& r = stream.request;
    std::shared_ptr<AudioOutput> out;
    bool primed = true;
    {
        std::lock_guard lock(outputMutex_);
        out = output_;
        std::swap(primed, outputPrimed_);
    }
    if (!out) return;
    if (!primed && !paused()) prime(*out, generation);
    const markup::Settings settings{r.rate, 100, 0};
    bool wrote = false;
    // The text is read as it is spoken: a long one starts sounding at once.
    markup::SpeechReader reader(std::move(r.text), r.flags, settings);
    while (std::optional<markup::Piece> next = reader.next()) {
        const markup::Piece& p = *next;
        if (generation_ != generation) break;
        switch (p.kind) {
            case markup::PieceKind::Text:
            case markup::PieceKind::Pinyin: {
                std::string voice = r.voice;
                if (p.voice) {
                    const auto matched = matchVoice(catalog_->voices(), p.voice->required,
                                                    p.voice->optional, r.voice);
                    if (matched) voice = *matched;  // no match: keep speaking as before
                }
                const VoiceInForce in = inForce(voice);
                PieceContext ctx;
                ctx.rate = p.rate;
                ctx.rateAtSpeak = r.rate;
                ctx.pitch = p.pitch;
                ctx.emphasis = p.emphasis;
                ctx.out = out.get();
                ctx.abort = &generation_;
                ctx.generation = generation;
                ctx.volume = &volume;
                ctx.pieceVolume = p.volume;
                ctx.gain = p.emphasis ? 1.2f : 1.0f;
                piece = &ctx;
                if (p.kind == markup::PieceKind::Pinyin)
                    speakCalls({router_->pronounce(p.text, in)});
                else
                    synthesise(p.text, p.spell, in);
                if (ctx.sonic) {
                    sonicFlushStream(ctx.sonic);
                    onSamples(nullptr, 0, nullptr);
                    sonicDestroyStream(ctx.sonic);
                }
                piece = nullptr;
                wrote = true;
                break;
            }
            case markup::PieceKind::Silence:
                writeSilence(p.silenceMs, generation);
                wrote = true;
                break;
            case markup::PieceKind::Bookmark:
                break;
        }
    }
    if (generation_ == generation && wrote) out->drain(generation_, generation);
    if (generation_ != generation) out->flush();
}

// The front end works on one chunk at a time, so a long text starts sounding as fast as a short
// one.
void Synthesizer::synthesise(std::string_view text, bool spell, const VoiceInForce& voice) {
    std::vector<VoiceCall> calls;
    for (const std::string_view chunk : TextChunks(text)) {
        calls.clear();
        if (spell)
            router_->spell(chunk, voice, calls);
        else
            router_->read(chunk, voice, calls);
        if (!speakCalls(calls)) return;
    }
}

bool Synthesizer::speakCalls(const std::vector<VoiceCall>& calls) {
    PieceContext* const c = piece;
    if (!c) return false;
    for (const VoiceCall& voiceCall : calls) {
        selectVoice(voiceCall.voice);
        const bool more =
            feedEngine(voiceCall.text, voiceCall.spell, [this, c](const EngineCall& call) {
                if (generation_ != c->generation || c->failed) return false;
                // Rate changes made while speaking count from the next chunk on.
                const int effectiveRate =
                    std::clamp(c->rate + (rate - c->rateAtSpeak), kRateMin, kRateMax);
                const Speed speed = speedFor(effectiveRate);
                espeak_SetParameter(espeakRATE, speed.wpm, 0);
                espeak_SetParameter(espeakPITCH, std::clamp(50 + c->pitch * 4, 0, 100), 0);
                espeak_SetParameter(espeakRANGE, c->emphasis ? 80 : 50, 0);
                espeak_SetParameter(espeakVOLUME, 100, 0);
                if (std::abs(speed.stretch - 1.0f) > 0.01f) {
                    if (!c->sonic) c->sonic = sonicCreateStream(sampleRate_, 1);
                    sonicSetSpeed(c->sonic, speed.stretch);
                } else if (c->sonic) {
                    sonicSetSpeed(c->sonic, 1.0f);
                }
                espeak_Synth(call.text.c_str(), call.text.size() + 1, 0, POS_CHARACTER, 0,
                             espeakCHARS_UTF8 | (call.markup ? espeakSSML : 0), nullptr, nullptr);
                return true;
            });
        if (!more) return false;
    }
    return true;
}

bool Synthesizer::writeSilence(int ms, std::uint64_t generation) {
    std::shared_ptr<AudioOutput> out = output();
    if (!out) return false;
    const std::vector<std::int16_t> zeros(static_cast<std::size_t>(sampleRate_) / 50, 0);
    long left = static_cast<long>(ms) * sampleRate_ / 1000;
    while (left > 0) {
        const auto n =
            static_cast<std::size_t>(std::min<long>(left, static_cast<long>(zeros.size())));
        if (!out->write(zeros.data(), n, generation_, generation)) return false;
        left -= static_cast<long>(n);
    }
    return true;
}

// Receives sound from the library (and, with wav null, drains the stretcher): applies the
// volume and hands it to the sound device. Returning 1 stops the synthesis.
int Synthesizer::onSamples(short* wav, int count, void*) {
    PieceContext* c = piece;
    if (!c || c->failed) return 1;
    if (*c->abort != c->generation) return 1;
    const float gain = c->gain * static_cast<float>(c->pieceVolume) / 100.0f *
                       static_cast<float>(c->volume->load()) / 100.0f;
    auto play = [c, gain](const std::int16_t* samples, std::size_t n) {
        c->buffer.clear();
        for (std::size_t i = 0; i < n; ++i) {
            if (std::abs(samples[i]) < kSilenceLevel) {
                if (c->sounding) ++c->heldSilence;
                continue;
            }
            c->sounding = true;
            c->buffer.insert(c->buffer.end(), static_cast<std::size_t>(c->heldSilence), 0);
            c->heldSilence = 0;
            c->buffer.push_back(static_cast<std::int16_t>(
                std::clamp(std::lround(samples[i] * gain), -32768L, 32767L)));
        }
        if (!c->buffer.empty() &&
            !c->out->write(c->buffer.data(), c->buffer.size(), *c->abort, c->generation))
            c->failed = true;
    };
    if (c->sonic) {
        if (wav && count > 0) sonicWriteShortToStream(c->sonic, wav, count);
        std::int16_t stretched[4096];
        for (int n; (n = sonicReadShortFromStream(c->sonic, stretched, 4096)) > 0 && !c->failed;)
            play(stretched, static_cast<std::size_t>(n));
    } else if (wav && count > 0) {
        play(wav, static_cast<std::size_t>(count));
    }
    return c->failed || *c->abort != c->generation ? 1 : 0;
}

}  // namespace talvoro::espeak
