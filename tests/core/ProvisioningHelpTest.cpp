// Putting the speech runtime in place, writing resources to files, and the help viewer.

#include <gtest/gtest.h>

#include "CoreFixture.h"
#include "docs/Frmhelp.h"
#include "provision/Provisioning.h"
#include "ui/Twips.h"

namespace talvoro::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;
using Calls = std::vector<std::string>;

Bytes bytesOf(const std::string& s) {
    return Bytes(s.begin(), s.end());
}

class ProvisioningTest : public ::testing::Test {
protected:
    CallLog log;
    FakePlatform fake{log};
    const std::string dir = "C:\\Program Files\\sys 32";
    const std::string runtime = dir + "\\sapi.dll";
    // Quoted whole, the tool as well: unquoted, "C:\Program Files\sys 32\regsvr32.exe" could
    // start C:\Program.exe.
    const std::string registration =
        "\"C:\\Program Files\\sys 32\\regsvr32.exe\" \"C:\\Program Files\\sys 32\\sapi.dll\"";

    void SetUp() override {
        fake.systemDir = dir;
        fake.customResources[101] = bytesOf(std::string(696320, 'M'));
    }
};

TEST_F(ProvisioningTest, PresentRuntimeOfAnyKindIsLeftAlone) {
    for (bool asLink : {false, true}) {
        log.clear();
        fake.files.clear();
        fake.links.clear();
        if (asLink)
            fake.links.insert(runtime);
        else
            fake.files[runtime] = bytesOf("an old build");
        Save_Reg_Sapi(fake);
        EXPECT_EQ(log.calls, (Calls{"SystemDirectory()", "FileExists(" + runtime + ")"}));
        EXPECT_TRUE(fake.startedProcesses.empty());
    }
    EXPECT_EQ(fake.files.size(), 0u) << "a link is not replaced";
}

TEST_F(ProvisioningTest, AbsentRuntimeIsWrittenWholeThenRegisteredMinimizedWithAQuotedPath) {
    Save_Reg_Sapi(fake);
    EXPECT_EQ(log.calls,
              (Calls{"SystemDirectory()", "FileExists(" + runtime + ")", "LoadResource(101,CUSTOM)",
                     "CreateFile(" + runtime + ")", "WriteFile(#1,696320)", "CloseFile(#1)",
                     "StartProcess(" + registration + ",2)"}));
    EXPECT_EQ(fake.files.at(runtime), fake.customResources.at(101));
    EXPECT_TRUE(fake.openFiles.empty());

    // Every later start finds it there.
    log.clear();
    Save_Reg_Sapi(fake);
    EXPECT_EQ(fake.startedProcesses.size(), 1u);
}

TEST_F(ProvisioningTest, FailuresStaySilentLeaveNoFileAndTheNextStartTriesAgain) {
    fake.unwritableFolders.insert(dir);
    Save_Reg_Sapi(fake);
    EXPECT_TRUE(fake.files.empty());

    fake.unwritableFolders.clear();
    fake.diskSpace = 4096;  // the disk fills up part way
    Save_Reg_Sapi(fake);
    EXPECT_EQ(log.calls.back(), "DeleteFile(" + runtime + ")");
    EXPECT_TRUE(fake.files.empty()) << "a part-written runtime would pass for the whole one";
    EXPECT_TRUE(fake.openFiles.empty());

    fake.diskSpace.reset();
    fake.closeFails = true;  // what was written cannot be kept
    Save_Reg_Sapi(fake);
    EXPECT_TRUE(fake.files.empty());
    EXPECT_TRUE(fake.startedProcesses.empty());

    fake.closeFails = false;
    fake.processStartFails = true;
    EXPECT_NO_THROW(Save_Reg_Sapi(fake));
    EXPECT_EQ(fake.files.at(runtime).size(), 696320u);

    fake.files.clear();
    fake.systemDirFails = true;
    log.clear();
    EXPECT_NO_THROW(Save_Reg_Sapi(fake));
    EXPECT_EQ(log.calls, Calls{"SystemDirectory()"});
}

TEST_F(ProvisioningTest, WithoutACarriedRuntimeNothingIsCreated) {
    fake.customResources.clear();
    Save_Reg_Sapi(fake);
    EXPECT_EQ(log.calls, (Calls{"SystemDirectory()", "FileExists(" + runtime + ")",
                                "LoadResource(101,CUSTOM)"}));
    EXPECT_TRUE(fake.files.empty());
}

TEST_F(ProvisioningTest, SaveResourceToFileWritesOnlyNewFilesAndOnlyWholeOnes) {
    fake.customResources[102] = bytesOf("manual");
    EXPECT_TRUE(SaveResourceToFile(fake, 102, "CUSTOM", "/a/new"));
    EXPECT_EQ(fake.files.at("/a/new"), bytesOf("manual"));

    // What stands at the name already, a link included, is neither written into nor through.
    fake.files["/a/other"] = bytesOf("someone else's");
    fake.links.insert("/a/link");
    EXPECT_FALSE(SaveResourceToFile(fake, 102, "CUSTOM", "/a/other"));
    EXPECT_FALSE(SaveResourceToFile(fake, 102, "CUSTOM", "/a/link"));
    EXPECT_EQ(fake.files.at("/a/other"), bytesOf("someone else's"));
    EXPECT_TRUE(fake.links.count("/a/link"));

    // An id or a type that the program does not carry.
    EXPECT_FALSE(SaveResourceToFile(fake, 103, "CUSTOM", "/a/none"));
    EXPECT_FALSE(SaveResourceToFile(fake, 102, "BITMAP", "/a/none"));
    EXPECT_FALSE(fake.files.count("/a/none"));

    fake.diskSpace = 3;
    EXPECT_FALSE(SaveResourceToFile(fake, 102, "CUSTOM", "/a/full"));
    EXPECT_FALSE(fake.files.count("/a/full"));
}

class HelpTest : public CoreFixture {
protected:
    const std::string path = "/run/user/1000/talvoro/daveduvhelp.mht";
    const Bytes manual = bytesOf(std::string(157924, 'H'));

    void SetUp() override {
        fake.customResources[102] = manual;
        loadQuietly();
    }
    void help() { form->menuClick({MenuName::mnuhelp}); }
};

TEST_F(HelpTest, FirstHelpLoadsTheViewerWritesTheManualAndShowsIt) {
    help();
    EXPECT_EQ(
        log.calls,
        (Calls{"LoadHelp(使用手册)", "HelpFilePath(daveduvhelp.mht)", "FileExists(" + path + ")",
               "FileExists(" + path + ")", "LoadResource(102,CUSTOM)", "CreateFile(" + path + ")",
               "WriteFile(#1,157924)", "CloseFile(#1)", "Navigate2(" + path + ")", "ShowHelp()"}));
    EXPECT_EQ(fake.files.at(path), manual);
    // An ordinary sizable window where the system puts new ones, 312 x 213 pixels at 96 dpi.
    ASSERT_EQ(fake.helpDesign, &Frmhelp::design());
    EXPECT_EQ(fake.helpDesign->border, Border::Sizable);
    EXPECT_TRUE(fake.helpDesign->systemPlaced);
    EXPECT_EQ(pixelRect(0, 0, fake.helpDesign->clientWidth, fake.helpDesign->clientHeight, {}),
              (PixelRect{0, 0, 312, 213}));
}

TEST_F(HelpTest, HelpWhileOpenOnlyBringsItForwardAndAReloadWritesAfresh) {
    help();
    fake.files[path] = bytesOf("changed meanwhile");
    log.clear();
    help();
    EXPECT_EQ(log.calls, Calls{"ShowHelp()"});
    EXPECT_EQ(fake.files.at(path), bytesOf("changed meanwhile"));

    fake.helpWindowLoaded = false;  // the user closed it
    log.clear();
    help();
    EXPECT_EQ(log.calls[0], "LoadHelp(使用手册)");
    EXPECT_EQ(fake.files.at(path), manual);
    EXPECT_EQ(log.calls.back(), "ShowHelp()");
}

TEST_F(HelpTest, WhatStandsAtThePathIsRemovedAndReplacedALinkNeverFollowed) {
    fake.files[path] = bytesOf("a stale or foreign copy");
    help();
    EXPECT_EQ(fake.files.at(path), manual);
    ASSERT_GE(log.calls.size(), 4u);
    EXPECT_EQ(log.calls[3], "DeleteFile(" + path + ")");

    fake.helpWindowLoaded = false;
    fake.files.erase(path);
    fake.links.insert(path);  // leading to a file of the user's
    fake.files["/home/user/.profile"] = bytesOf("keep me");
    help();
    EXPECT_FALSE(fake.links.count(path));
    EXPECT_EQ(fake.files.at(path), manual);
    EXPECT_EQ(fake.files.at("/home/user/.profile"), bytesOf("keep me"));
}

TEST_F(HelpTest, WhenTheManualCannotBeWrittenTheViewerOpensEmpty) {
    // An old copy that cannot be deleted is not shown: it may not be ours.
    fake.files[path] = bytesOf("held open elsewhere");
    fake.undeletable.insert(path);
    help();
    EXPECT_EQ(log.calls.back(), "ShowHelp()");
    EXPECT_EQ(fake.files.at(path), bytesOf("held open elsewhere"));
    for (const std::string& call : log.calls) EXPECT_NE(call.rfind("Navigate2", 0), 0u) << call;

    // No safe folder, no manual carried, no room: each leaves the browser empty.
    for (int failure = 0; failure < 3; ++failure) {
        fake.helpWindowLoaded = false;
        fake.files.clear();
        fake.undeletable.clear();
        fake.helpFolderFails = failure == 0;
        if (failure == 1) fake.customResources.clear();
        if (failure == 2) fake.customResources[102] = manual, fake.diskSpace = 1000;
        log.clear();
        help();
        EXPECT_EQ(log.calls.back(), "ShowHelp()") << failure;
        for (const std::string& call : log.calls)
            EXPECT_NE(call.rfind("Navigate2", 0), 0u) << failure;
        EXPECT_FALSE(fake.files.count(path)) << failure;
    }
}

TEST_F(HelpTest, AViewerThatCannotBeMadeLeavesTheBasketRunning) {
    fake.helpWindowFails = true;
    fake.menuChoices.push_back(MenuItemId{MenuName::mnuhelp});
    form->Picture1_MouseDown(kButtonRight, 0, 100, 100);
    EXPECT_EQ(log.calls.back(), "LoadHelp(使用手册)");
    EXPECT_FALSE(fake.files.count(path));
    for (const std::string& call : log.calls) EXPECT_NE(call.rfind("MsgBox", 0), 0u) << call;

    // The next Help tries again.
    fake.helpWindowFails = false;
    log.clear();
    help();
    EXPECT_EQ(log.calls.back(), "ShowHelp()");
    EXPECT_EQ(fake.files.at(path), manual);
}

}  // namespace
}  // namespace talvoro::testing
