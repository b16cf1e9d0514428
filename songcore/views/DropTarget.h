#pragma once
// CDropTarget: the drop side of a song view. The toolkit reports the drag
// events of its window here; a drop of files reaches the registered
// receiver as one call, whether it came from a file manager or from another
// song view, and dragging near an edge asks the view to scroll.

#include <functional>

#include "songcore/views/DropPayload.h"

class CDropTarget {
public:
    // Gets the drop (as WM_DROPFILES would): read it with
    // CDragDropFiles::StartDropFiles / GetDropFile / EndDropFiles during the call.
    using DropReceiver = std::function<void(HDROP drop)>;

    enum ScrollCode {
        SCROLL_NONE = 0,
        SB_LINEUP = 1,
        SB_LINEDOWN = 2,
        SB_LINELEFT = 4,
        SB_LINERIGHT = 8,
    };
    struct RECT {
        int left = 0;
        int top = 0;
        int right = 0;
        int bottom = 0;
    };
    struct POINT {
        int x = 0;
        int y = 0;
    };
    // Drop effect: copy only.
    static constexpr int DROPEFFECT_NONE = 0;
    static constexpr int DROPEFFECT_COPY = 1;
    // How near an edge the pointer must be for the view to scroll.
    static constexpr int kScrollMargin = 10;

    CDropTarget() = default;
    virtual ~CDropTarget() = default;

    int Register(DropReceiver receiver);
    bool IsRegistered() const { return static_cast<bool>(receiver_); }

    virtual int OnDragEnter() { return DROPEFFECT_COPY; }
    // scroll receives the ScrollCode bits (one vertical, at most one
    // horizontal) for a pointer at point in the view's rectangle client.
    virtual int OnDragOver(const RECT& client, const POINT& point, int& scroll);
    virtual void OnDragLeave() {}
    // false when the payload holds no file (the drag source sees no effect);
    // true otherwise, also without a receiver.
    virtual bool OnDrop(const songcore::DropPayload& payload);

private:
    DropReceiver receiver_;
};
