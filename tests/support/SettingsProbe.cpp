// The program's settings start and end in a process of its own, for tests
// that need their own executable folder and user: prints the settings
// path and then the recent list as loaded; pushes ARG, if given, as the
// newest entry and saves, as closing the main window does.
#include "app/Settings.h"
#include "app/DataPaths.h"

#include <cstdio>

int main(int argc, char** argv) {
    StartSettings();
    std::printf("%s\n", g_szSettingsPath);
    for (int i = 0; i < kRecentCount && !IsRecentEmpty(i); ++i) std::printf("%s\n", RecentEntry(i));
    if (argc > 1) PushRecentFile(argv[1]);
    SaveSettings();
    return 0;
}
