#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "FakePlatform.h"
#include "app/Frmlan.h"

namespace talvoro::testing {

class CoreFixture : public ::testing::Test {
protected:
    CallLog log;
    FakePlatform fake{log};
    Platform platform = fake.platform();
    FailureScript failures;
    std::vector<std::string> voices{"A", "B"};
    bool engineCreationFails = false;
    std::unique_ptr<Frmlan> form;
    // The engine the form made last (the form owns it).
    FakeEngine* engine = nullptr;

    void makeForm() {
        form = std::make_unique<Frmlan>(
            platform,
            [this](SpeechEvents&) -> std::unique_ptr<SpeechEngine> {
                log.add("CreateEngine()");
                if (engineCreationFails) throw AppError(-2147221164, "没有注册类");
                auto made = std::make_unique<FakeEngine>(log, voices, failures);
                engine = made.get();
                return made;
            },
            [this] { log.add("Save_Reg_Sapi()"); });
    }

    void load() {
        makeForm();
        form->Form_Load();
    }

    // Loads the form, then forgets the start-up calls.
    void loadQuietly() {
        load();
        log.clear();
    }

    const MenuItem& item(MenuName name, int index = kNoIndex) {
        return form->menu().item(name, index);
    }
};

}  // namespace talvoro::testing
