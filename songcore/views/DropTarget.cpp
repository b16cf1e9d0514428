#include "songcore/views/DropTarget.h"

#include "songcore/views/DragDropFiles.h"

int CDropTarget::Register(DropReceiver receiver) {
    receiver_ = std::move(receiver);
    return receiver_ ? 1 : 0;
}

int CDropTarget::OnDragOver(const RECT& client, const POINT& point, int& scroll) {
    scroll = SCROLL_NONE;
    if (point.y >= client.bottom - kScrollMargin) {
        scroll |= SB_LINEDOWN;
    } else if (point.y <= client.top + kScrollMargin) {
        scroll |= SB_LINEUP;
    }
    if (point.x <= client.left + kScrollMargin) {
        scroll |= SB_LINELEFT;
    } else if (point.x >= client.right - kScrollMargin) {
        scroll |= SB_LINERIGHT;
    }
    return DROPEFFECT_COPY;
}

bool CDropTarget::OnDrop(const songcore::DropPayload& payload) {
    if (songcore::ParseDropPayload(payload.mimeType, payload.data).empty()) {
        return false;
    }
    if (receiver_) {
        receiver_(&payload);
    }
    return true;
}
