#include "base/ErrorPolicy.h"

#include <new>

#include "base/MessageBoxes.h"

namespace talvoro {

AppError asAppError(const std::exception_ptr& e) {
    try {
        std::rethrow_exception(e);
    } catch (const AppError& err) {
        return err;
    } catch (const std::bad_alloc&) {
        return AppError(kErrOutOfMemory, "内存溢出");
    } catch (const std::exception& err) {
        return AppError(kErrInvalidCall, err.what());
    } catch (...) {
        return AppError(kErrInvalidCall, "无效的过程调用或参数");
    }
}

std::string commonErrorTitle(long number) {
    return "错误信息：" + std::to_string(number);
}

namespace {

void showCommonErrorBox(MessageBoxes& boxes, const std::exception_ptr& e) {
    const AppError err = asAppError(e);
    boxes.messageBox(err.description(), kMbOk | kMbIconExclamation, commonErrorTitle(err.number()));
}

}  // namespace

bool withCommonErrorBox(MessageBoxes& boxes, const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (...) {
        showCommonErrorBox(boxes, std::current_exception());
        return false;
    }
}

void handleEvent(MessageBoxes& boxes, const std::function<void()>& handler) noexcept {
    try {
        handler();
    } catch (...) {
        reportEscaped(boxes, std::current_exception());
    }
}

void reportEscaped(MessageBoxes& boxes, const std::exception_ptr& escaped) noexcept {
    try {
        showCommonErrorBox(boxes, escaped);
    } catch (...) {
    }
}

bool withCommonErrorBoxUnlessCancelled(MessageBoxes& boxes, const std::function<void()>& body) {
    bool cancelled = false;
    const bool done = withCommonErrorBox(boxes, [&] {
        try {
            body();
        } catch (const AppError& err) {
            if (err.number() != kErrDialogCancelled) throw;
            cancelled = true;
        }
    });
    return done && !cancelled;
}

bool withSilentEnd(const std::function<void()>& body) {
    try {
        body();
        return true;
    } catch (...) {
        return false;
    }
}

}  // namespace talvoro
