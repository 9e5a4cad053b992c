#pragma once
// The hourglass while work runs on the window thread, put back however the
// work ends. The core never shows it: the window that starts the work does.

class WaitCursor {
public:
    WaitCursor();
    ~WaitCursor();
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

    // The normal cursor for a while (a question in the middle of the work),
    // then the hourglass again.
    void lift();
    void resume();

private:
    bool shown_ = false;
};
