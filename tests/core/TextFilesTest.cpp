// Opening text files into the buffer and saving the buffer: the dialog's settings, the line
// rule, the encodings and the failures.

#include <gtest/gtest.h>

#include <random>

#include "CoreFixture.h"
#include "intake/FileText.h"

namespace talvoro::testing {
namespace {

using Calls = std::vector<std::string>;
using namespace std::string_literals;  // files hold NUL bytes

constexpr const char* kFilter = "All Files (*.*)|*.*|Text, XML Files (*.txt;*.xml)|*.txt;*.xml";

TEST(LinesOfFile, EachLineFollowsACrLfPair) {
    const std::pair<std::string, std::string> cases[] = {
        {"", ""},
        {"a\r\nb\r\n", "\r\na\r\nb"},  // no empty line after the last line end
        {"a\r\nb", "\r\na\r\nb"},      // a last line without a line end
        {"a\rb\r", "\r\na\r\nb"},      // CR alone ends a line
        {"a\nb\n", "\r\na\nb\n"},      // LF alone is text
        {"a\r\n\nb", "\r\na\r\n\nb"},  // LF after a CR LF begins the next line
        {"a\r\r\nb", "\r\na\r\n\r\nb"},
        {"a\r\n\r\n", "\r\na\r\n"},
        {"\r\n", "\r\n"},
        {"\r", "\r\n"},
        {"\n", "\r\n\n"},
        {"\r\n\r\nx", "\r\n\r\n\r\nx"},
        {"中文\r第二行", "\r\n中文\r\n第二行"},
    };
    for (const auto& [file, text] : cases) EXPECT_EQ(linesOfFile(file), text) << file;
}

// The rule read as it is stated, a line at a time, against the one that works in place.
TEST(LinesOfFile, AgreesWithReadingLineByLineOnRandomText) {
    std::mt19937 random(20261207);
    for (int round = 0; round < 5000; ++round) {
        std::string file;
        for (std::size_t n = random() % 24; n > 0; --n) file += "\r\nab"[random() % 4];
        std::string expected;
        for (std::size_t pos = 0; pos < file.size();) {
            const std::size_t end = std::min(file.find('\r', pos), file.size());
            expected += "\r\n" + file.substr(pos, end - pos);
            pos = end + 1;
            if (pos < file.size() && file[pos] == '\n') ++pos;
        }
        ASSERT_EQ(linesOfFile(file), expected) << ::testing::PrintToString(file);
    }
}

TEST(FileEncodings, MarkedFilesAreDecodedByTheirMark) {
    EXPECT_EQ(decodeByMark("\xEF\xBB\xBF中文"), "中文");
    EXPECT_EQ(decodeByMark("\xFF\xFE\x2D\x4E\x87\x65\x0D\x00\x0A\x00"s), "中文\r\n");
    EXPECT_EQ(decodeByMark("\xFE\xFF\x4E\x2D\x65\x87"), "中文");
    EXPECT_EQ(decodeByMark("\xFF\xFE\x3D\xD8\x00\xDE"s), "\xF0\x9F\x98\x80");  // a surrogate pair
    EXPECT_EQ(decodeByMark("\xFF\xFE"), "");
    // What cannot be decoded shows as U+FFFD rather than vanishing or stopping the reading.
    EXPECT_EQ(decodeByMark("\xFF\xFE"
                           "a\x00\x3D\xD8"
                           "b\x00"s),
              "a\xEF\xBF\xBD"
              "b");
    EXPECT_EQ(decodeByMark("\xFE\xFF\x00"
                           "a\x00"s),
              "a\xEF\xBF\xBD");
    EXPECT_EQ(decodeByMark("\xEF\xBB\xBF"
                           "a\xC3(\xE4\xB8"),
              "a\xEF\xBF\xBD(\xEF\xBF\xBD\xEF\xBF\xBD");
    EXPECT_FALSE(
        decodeByMark("\xEF\xBB"
                     "a"));
    EXPECT_FALSE(decodeByMark("\xD6\xD0\xCE\xC4"));
    EXPECT_FALSE(decodeByMark(""));
}

TEST(FileEncodings, WellFormedUtf8IsToldFromEverythingElse) {
    EXPECT_EQ(firstInvalidUtf8("plain ASCII text, longer than eight bytes"), std::string::npos);
    EXPECT_EQ(firstInvalidUtf8("中文 \xF0\x9F\x98\x80 \xF4\x8F\xBF\xBF"), std::string::npos);
    EXPECT_EQ(firstInvalidUtf8("0123456789\xD6\xD0\xCE\xC4"), 10u);  // GB2312 bytes
    EXPECT_EQ(firstInvalidUtf8("ab\xC0\x80"), 2u);                   // overlong
    EXPECT_EQ(firstInvalidUtf8("ab\xE0\x80\x80"), 2u);               // overlong
    EXPECT_EQ(firstInvalidUtf8("ab\xED\xA0\x80"), 2u);               // a surrogate
    EXPECT_EQ(firstInvalidUtf8("ab\xF4\x90\x80\x80"), 2u);           // past U+10FFFF
    EXPECT_EQ(firstInvalidUtf8("abcdefgh\xE4\xB8"), 8u);             // cut short at the end
    EXPECT_EQ(validUtf8("ok\x80ok"), "ok\xEF\xBF\xBDok");
}

class TextFilesTest : public CoreFixture {
protected:
    void SetUp() override {
        loadQuietly();
        fake.disk["/home/u/ab.txt"] = "a\r\nb\r\n";
    }

    void open(const std::optional<std::string>& answer) {
        fake.dialogAnswers.push_back(answer);
        form->mnuopen_Click();
    }
    void save(const std::optional<std::string>& answer) {
        fake.dialogAnswers.push_back(answer);
        form->mnusave_Click();
    }
};

TEST_F(TextFilesTest, OpenReadsTheFileAndTakesItInLikeAnyOtherText) {
    open("/home/u/ab.txt");
    EXPECT_EQ(log.calls, (Calls{"ShowOpen()", "ReadWholeFile(/home/u/ab.txt)",
                                "AnsiToText(a\r\nb\r\n)", "Speak(\r\na\r\nb,11)"}));
    EXPECT_EQ(form->buffer().text().str(), "\r\na\r\nb");
    EXPECT_TRUE(item(MenuName::mnudeleteall).enabled);
    EXPECT_TRUE(item(MenuName::mnusave).enabled);
    EXPECT_TRUE(form->reading().isReading());
}

TEST_F(TextFilesTest, InAppendModeAFileBeginsOnANewLineAfterTheEarlierText) {
    form->mnutd_Click();
    form->mnuadddata_Click();
    form->TakeInText("abc");
    open("/home/u/ab.txt");
    open("/home/u/ab.txt");
    EXPECT_EQ(form->buffer().text().str(), "abc\r\na\r\nb\r\na\r\nb");
    EXPECT_FALSE(form->reading().isReading());
}

TEST_F(TextFilesTest, TheSystemEncodingDecodesUnmarkedFilesAndMarkedOnesGoByTheirMark) {
    form->mnutd_Click();
    fake.disk["/latin1.txt"] = "caf\xE9\rna\xEFve";
    open("/latin1.txt");
    EXPECT_EQ(form->buffer().text().str(), "\r\ncafé\r\nnaïve");

    fake.disk["/utf16.txt"] = "\xFF\xFE\x2D\x4E\x0D\x00\x0A\x00\x87\x65"s;
    log.clear();
    open("/utf16.txt");
    EXPECT_EQ(log.calls, (Calls{"ShowOpen(/latin1.txt)", "ReadWholeFile(/utf16.txt)"}));
    EXPECT_EQ(form->buffer().text().str(), "\r\n中\r\n文");
}

TEST_F(TextFilesTest, AnEmptyFileEmptiesTheBufferAndTheReadCommandSaysSo) {
    form->TakeInText("earlier");
    fake.disk["/empty.txt"] = "";
    log.clear();
    open("/empty.txt");
    EXPECT_EQ(form->buffer().text().str(), "");
    EXPECT_TRUE(item(MenuName::mnudeleteall).enabled);
    EXPECT_TRUE(item(MenuName::mnusave).enabled);
    EXPECT_EQ(log.calls.back(), "MsgBox(请拖放要朗读的文本至拖放篮中！,64,Talvoro)");
}

TEST_F(TextFilesTest, BothDialogsShowTheirTitleFilterEntryAndFlags) {
    form->TakeInText("text");
    fake.dialogAnswers = {std::nullopt, std::nullopt};
    form->mnuopen_Click();
    form->mnusave_Click();
    ASSERT_EQ(fake.shownDialogs.size(), 2u);
    const CommonDialog& opened = fake.shownDialogs[0];
    EXPECT_EQ(opened.DialogTitle, "打开文件");
    EXPECT_EQ(opened.Filter, kFilter);
    EXPECT_EQ(opened.FilterIndex, 2);
    EXPECT_EQ(opened.Flags, 6144);
    EXPECT_TRUE(opened.CancelError);
    const CommonDialog& saved = fake.shownDialogs[1];
    EXPECT_EQ(saved.DialogTitle, "保存文件");
    EXPECT_EQ(saved.Filter, kFilter);
    EXPECT_EQ(saved.FilterIndex, 2);
    EXPECT_EQ(saved.Flags, 34818);
    EXPECT_TRUE(saved.CancelError);
}

TEST_F(TextFilesTest, EachDialogStartsWithThePathLastChosenInEither) {
    open("/home/u/ab.txt");
    save("/home/u/copy.txt");
    fake.dialogAnswers = {std::nullopt};
    form->mnuopen_Click();  // a cancel keeps the name
    open("/home/u/ab.txt");
    ASSERT_EQ(fake.shownDialogs.size(), 4u);
    EXPECT_EQ(fake.shownDialogs[0].FileName, "");
    EXPECT_EQ(fake.shownDialogs[1].FileName, "/home/u/ab.txt");
    EXPECT_EQ(fake.shownDialogs[2].FileName, "/home/u/copy.txt");
    EXPECT_EQ(fake.shownDialogs[3].FileName, "/home/u/copy.txt");
    EXPECT_EQ(form->files().dialog().FileName, "/home/u/ab.txt");
}

TEST_F(TextFilesTest, CancelOrAnEmptyNameChangesNothingAndShowsNothing) {
    form->TakeInText("kept");
    form->mnupause_Click();
    const MenuItem before = form->menu().root();
    log.clear();
    open(std::nullopt);
    save(std::nullopt);
    open("");
    save("");
    EXPECT_EQ(log.calls, (Calls{"ShowOpen()", "ShowSave()", "ShowOpen()", "ShowSave()"}));
    EXPECT_EQ(form->buffer().text().str(), "kept");
    EXPECT_TRUE(form->reading().isPaused());
    EXPECT_EQ(form->menu().root(), before);
    EXPECT_EQ(fake.disk.size(), 1u);
}

TEST_F(TextFilesTest, SaveWritesTheBufferAndOneLineEndAndChangesNothingElse) {
    form->mnutd_Click();
    fake.disk["/in.txt"] = "caf\xE9\r\n";
    open("/in.txt");
    log.clear();
    save("/out.txt");
    EXPECT_EQ(log.calls, (Calls{"ShowSave(/in.txt)", "TextToAnsi(\r\ncafé\r\n)",
                                "ReplaceFile(/out.txt,\r\ncaf\xE9\r\n)"}));
    EXPECT_EQ(form->buffer().text().str(), "\r\ncafé");
    EXPECT_TRUE(item(MenuName::mnusave).enabled);
    EXPECT_FALSE(form->reading().isReading());

    // Opening the saved file and saving it again adds an empty line at the top each time.
    open("/out.txt");
    save("/out.txt");
    EXPECT_EQ(fake.disk["/out.txt"], "\r\n\r\ncaf\xE9\r\n");
}

TEST_F(TextFilesTest, TextTheSystemEncodingCannotHoldIsSavedAsMarkedUtf8) {
    form->TakeInText("café 中文");
    save("/out.txt");
    EXPECT_EQ(fake.disk["/out.txt"],
              "\xEF\xBB\xBF"
              "café 中文\r\n");
    // and it reads back as it was.
    form->mnutd_Click();
    open("/out.txt");
    EXPECT_EQ(form->buffer().text().str(), "\r\ncafé 中文");
}

TEST_F(TextFilesTest, AFailingOpenShowsTheErrorBoxAndLeavesEverythingAsItWas) {
    form->TakeInText("kept");
    log.clear();
    open("/missing.txt");
    EXPECT_EQ(log.calls, (Calls{"ShowOpen()", "ReadWholeFile(/missing.txt)",
                                "MsgBox(文件未找到,48,错误信息：53)"}));
    EXPECT_EQ(form->buffer().text().str(), "kept");
    EXPECT_TRUE(form->reading().isReading());

    fake.fileFailures.failing.emplace("ReadWholeFile", AppError(57, "设备 I/O 错误"));
    log.clear();
    open("/home/u/ab.txt");
    EXPECT_EQ(log.calls.back(), "MsgBox(设备 I/O 错误,48,错误信息：57)");
    EXPECT_EQ(form->buffer().text().str(), "kept");

    fake.fileFailures.failing.emplace("ShowOpen", AppError(32765, "对话框失败"));
    log.clear();
    form->mnuopen_Click();
    EXPECT_EQ(log.calls,
              (Calls{"ShowOpen(/home/u/ab.txt)", "MsgBox(对话框失败,48,错误信息：32765)"}));
}

TEST_F(TextFilesTest, AFailingSaveShowsTheErrorBoxAndLeavesTheBufferAsItWas) {
    form->TakeInText("kept");
    fake.fileFailures.failing.emplace("ReplaceFile", AppError(61, "磁盘已满"));
    log.clear();
    save("/full/out.txt");
    EXPECT_EQ(log.calls.back(), "MsgBox(磁盘已满,48,错误信息：61)");
    EXPECT_EQ(form->buffer().text().str(), "kept");
    EXPECT_TRUE(item(MenuName::mnusave).enabled);
    EXPECT_EQ(fake.disk.count("/full/out.txt"), 0u);

    fake.fileFailures.failing.emplace("ShowSave", AppError(32765, "对话框失败"));
    log.clear();
    form->mnusave_Click();
    EXPECT_EQ(log.calls.back(), "MsgBox(对话框失败,48,错误信息：32765)");
}

TEST_F(TextFilesTest, TheMenuRunsOpenAndSave) {
    form->TakeInText("x");
    fake.dialogAnswers = {std::nullopt, std::nullopt};
    fake.menuChoices = {MenuItemId{MenuName::mnuopen, kNoIndex},
                        MenuItemId{MenuName::mnusave, kNoIndex}};
    log.clear();
    form->Picture1_MouseDown(kButtonRight, 0, 10, 10);
    form->Picture1_MouseDown(kButtonRight, 0, 10, 10);
    EXPECT_EQ(fake.shownDialogs.size(), 2u);
    EXPECT_EQ(fake.shownDialogs[0].DialogTitle, "打开文件");
    EXPECT_EQ(fake.shownDialogs[1].DialogTitle, "保存文件");
}

}  // namespace
}  // namespace talvoro::testing
