#pragma once
// Drags over the basket picture and drops on it, through OLE: the picture's drop target and the
// data of a drag as the core's handlers see it.

#include <windows.h>

#include <ole2.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <variant>

#include "base/AppError.h"
#include "intake/HeldDrops.h"
#include "platform/DataObject.h"
#include "platform/win32/WinUi.h"

namespace talvoro::win32 {

// A drag's data: asks only for the plain text (CF_TEXT in an HGLOBAL) and hands it on as UTF-8.
// Throws AppError(kErrNoSuchFormat) when the drag carries no such text, AppError(hr) when the
// source fails otherwise. The data object is borrowed.
class OleDataObject : public DataObject {
public:
    explicit OleDataObject(IDataObject* data) : data_(data) {}
    std::string GetData(int format) override;

private:
    IDataObject* data_;
};

// A drop's text, or the error asking for it gave, taken while the drop lasted.
class DroppedData : public DataObject {
public:
    // Asks `data` for its text now.
    explicit DroppedData(IDataObject* data);
    std::string GetData(int format) override;

private:
    std::variant<std::string, AppError> text_;
};

// The picture's drop target. Every drag is let through, as a copy when the source allows one: a
// source told its text was moved would delete it. Enter, over and leave reach `dragOver`
// at once (kDragEnter, kDragOver, kDragLeave); a drop's data is taken inside Drop and handed to
// `dropped`, which keeps it for later, so that its handler (and any message box it shows) runs
// after the drag source has been answered. When `dropped` refuses it (false), the source is told
// nothing was dropped.
class PictureDropTarget final : public IDropTarget {
public:
    using DragHandler = std::function<void(DataObject& data, std::int32_t& effect, int buttons,
                                           int shift, float x, float y, int state)>;
    using DropHandler = std::function<bool(HeldDrop drop)>;

    // With a reference count of one, held by the caller.
    PictureDropTarget(HWND picture, TwipsPerPixel scale, DragHandler dragOver, DropHandler dropped);
    PictureDropTarget(const PictureDropTarget&) = delete;
    PictureDropTarget& operator=(const PictureDropTarget&) = delete;

    // Cuts the target off its windows: calls still arriving (the system may hold a reference
    // a while longer) are answered with "no drop".
    void detach();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDropTarget
    HRESULT STDMETHODCALLTYPE DragEnter(IDataObject* data, DWORD keyState, POINTL at,
                                        DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragOver(DWORD keyState, POINTL at, DWORD* effect) override;
    HRESULT STDMETHODCALLTYPE DragLeave() override;
    HRESULT STDMETHODCALLTYPE Drop(IDataObject* data, DWORD keyState, POINTL at,
                                   DWORD* effect) override;

private:
    ~PictureDropTarget();
    // A point on the screen, in pixels, as twips relative to the picture.
    void toPictureTwips(POINTL at, float& x, float& y) const;
    void report(DWORD keyState, POINTL at, DWORD* effect, int state);
    void forgetData();

    LONG references_ = 1;
    HWND picture_;
    TwipsPerPixel scale_;
    DragHandler dragOver_;
    DropHandler dropped_;
    IDataObject* dragged_ = nullptr;  // held from enter until leave or drop
    POINTL lastAt_{};
};

}  // namespace talvoro::win32
