// Message boxes without icon for the window program: installs a responder
// behind plat::ShowMessage that shows a real box, modal over the window the
// user is working in, which has the focus back when the box closes.
#pragma once

class wxWindow;

void InstallWxMessageBoxes();

// While one of these lives, boxes are shown over `owner` (a top-level
// window) whichever window is active; they nest.
class MessageBoxOwner {
public:
    explicit MessageBoxOwner(wxWindow* owner);
    ~MessageBoxOwner();
    MessageBoxOwner(const MessageBoxOwner&) = delete;
    MessageBoxOwner& operator=(const MessageBoxOwner&) = delete;

private:
    wxWindow* m_previous;
};
