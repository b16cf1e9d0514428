#pragma once
// What the player tells its owner, always on the owner's thread (from
// CMCIWnd::ProcessEvents).

class CMCIWndListener {
public:
    virtual ~CMCIWndListener() = default;
    // The device mode changed (CMCIWnd::modeStopped, modePlaying, ...).
    virtual void OnModeChange(long mode) = 0;
    // Position update, as the active and inactive timers say; both values in
    // the current time format (milliseconds).
    virtual void OnPositionChange(long position, long length) { (void)position, (void)length; }
};
