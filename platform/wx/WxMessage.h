// Message boxes without icon for the window program: installs a responder
// behind plat::ShowMessage that shows a real box over the active window.
#pragma once

void InstallWxMessageBoxes();
