#include "platform/win32/DropTarget.h"

#include <optional>
#include <utility>

#include "base/ErrorPolicy.h"
#include "platform/win32/BaseWindow.h"
#include "platform/win32/WinText.h"

namespace talvoro::win32 {
namespace {

[[noreturn]] void noText() {
    throw AppError(kErrNoSuchFormat, "拖放的数据中没有文本（例如文件或图片）");
}

// Releases what a successful data transfer handed over, whoever owns it.
class Medium {
public:
    Medium() = default;
    ~Medium() { ReleaseStgMedium(&medium_); }
    Medium(const Medium&) = delete;
    Medium& operator=(const Medium&) = delete;
    STGMEDIUM* put() { return &medium_; }
    const STGMEDIUM& get() const { return medium_; }
    // After a failed transfer: whatever a careless source left there is not ours to free.
    void forget() { medium_ = STGMEDIUM{}; }

private:
    STGMEDIUM medium_{};
};

DWORD basketEffect(DWORD allowed) {
    return (allowed & DROPEFFECT_COPY) ? DROPEFFECT_COPY : allowed;
}

}  // namespace

std::string OleDataObject::GetData(int format) {
    if (format != kFormatText || !data_) noText();
    FORMATETC wanted{CF_TEXT, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    Medium medium;
    const HRESULT hr = data_->GetData(&wanted, medium.put());
    if (FAILED(hr)) medium.forget();
    if (hr == DV_E_FORMATETC || hr == DV_E_TYMED) noText();
    if (FAILED(hr)) throw hresultError(hr);
    // A source that answers in another medium than the one asked for has no text to give.
    if (medium.get().tymed != TYMED_HGLOBAL) noText();
    std::optional<std::string> text = globalAnsiText(medium.get().hGlobal);
    if (!text) throw hresultError(DV_E_STGMEDIUM);
    return std::move(*text);
}

DroppedData::DroppedData(IDataObject* data) : text_(std::string()) {
    try {
        text_ = OleDataObject(data).GetData(kFormatText);
    } catch (...) {
        text_ = asAppError(std::current_exception());
    }
}

std::string DroppedData::GetData(int format) {
    if (format != kFormatText) noText();
    if (const auto* error = std::get_if<AppError>(&text_)) throw *error;
    return std::get<std::string>(text_);
}

PictureDropTarget::PictureDropTarget(HWND picture, TwipsPerPixel scale, DragHandler dragOver,
                                     DropHandler dropped)
    : picture_(picture),
      scale_(scale),
      dragOver_(std::move(dragOver)),
      dropped_(std::move(dropped)) {}

PictureDropTarget::~PictureDropTarget() {
    forgetData();
}

void PictureDropTarget::detach() {
    picture_ = nullptr;
    dragOver_ = nullptr;
    dropped_ = nullptr;
    forgetData();
}

void PictureDropTarget::forgetData() {
    if (dragged_) std::exchange(dragged_, nullptr)->Release();
}

HRESULT PictureDropTarget::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDropTarget)) {
        *object = static_cast<IDropTarget*>(this);
        AddRef();
        return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
}

ULONG PictureDropTarget::AddRef() {
    return static_cast<ULONG>(InterlockedIncrement(&references_));
}

ULONG PictureDropTarget::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0) delete this;
    return static_cast<ULONG>(left);
}

void PictureDropTarget::toPictureTwips(POINTL at, float& x, float& y) const {
    POINT client{at.x, at.y};
    ScreenToClient(picture_, &client);
    x = static_cast<float>(client.x * scale_.x);
    y = static_cast<float>(client.y * scale_.y);
}

// The core's handler may change the effect; what it leaves is the answer.
void PictureDropTarget::report(DWORD keyState, POINTL at, DWORD* effect, int state) {
    lastAt_ = at;
    auto proposed = static_cast<std::int32_t>(basketEffect(*effect));
    if (dragOver_) {
        float x, y;
        toPictureTwips(at, x, y);
        OleDataObject data(dragged_);
        try {
            dragOver_(data, proposed, mouseButtons(keyState), dragKeys(keyState), x, y, state);
        } catch (...) {
            // Nothing may unwind into the drag source.
            reportEscaped(picture_, std::current_exception());
        }
    }
    *effect = static_cast<DWORD>(proposed);
}

HRESULT PictureDropTarget::DragEnter(IDataObject* data, DWORD keyState, POINTL at, DWORD* effect) {
    if (!data || !effect) return E_INVALIDARG;
    if (!picture_) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    forgetData();
    data->AddRef();
    dragged_ = data;
    report(keyState, at, effect, kDragEnter);
    return S_OK;
}

HRESULT PictureDropTarget::DragOver(DWORD keyState, POINTL at, DWORD* effect) {
    if (!effect) return E_INVALIDARG;
    if (!picture_) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    report(keyState, at, effect, kDragOver);
    return S_OK;
}

// Leaving has no point of its own: where the pointer is now, or else where it was last.
HRESULT PictureDropTarget::DragLeave() {
    if (picture_ && dragOver_) {
        POINT cursor;
        POINTL at = lastAt_;
        if (GetCursorPos(&cursor)) at = {cursor.x, cursor.y};
        DWORD effect = DROPEFFECT_NONE;
        report(0, at, &effect, kDragLeave);
    }
    forgetData();
    return S_OK;
}

HRESULT PictureDropTarget::Drop(IDataObject* data, DWORD keyState, POINTL at, DWORD* effect) {
    forgetData();
    if (!data || !effect) return E_INVALIDARG;
    if (!picture_ || !dropped_) {
        *effect = DROPEFFECT_NONE;
        return S_OK;
    }
    try {
        // The data is only valid until Drop returns: it is taken now.
        HeldDrop drop{std::make_unique<DroppedData>(data),
                      static_cast<std::int32_t>(basketEffect(*effect)), mouseButtons(keyState),
                      dragKeys(keyState)};
        toPictureTwips(at, drop.x, drop.y);
        const auto answer = static_cast<DWORD>(drop.effect);
        *effect = dropped_(std::move(drop)) ? answer : DROPEFFECT_NONE;
    } catch (...) {
        *effect = DROPEFFECT_NONE;
        reportEscaped(picture_, std::current_exception());
    }
    return S_OK;
}

}  // namespace talvoro::win32
