// Zun Mp3 Karaoke: the main window starts the program; closing it ends it.
#include "core/modini.h"
#include "core/oldprogramfiles.h"
#include "core/player.h"
#include "platform/forms/app.h"
#include "platform/forms/prompter.h"

#include <QApplication>

#include <cstdlib>
#include <vector>

int main(int argc, char** argv)
{
    // The windows are placed absolutely (docking, screen presets), which only
    // X11 allows: prefer it when a display offers it, also under XWayland.
    const char* display = std::getenv("DISPLAY");
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (display && *display && (!platform || !*platform))
        setenv("QT_QPA_PLATFORM", "xcb", 1);
    sendPixelsWithoutSharedMemory();

    // Kept alive as long as the application: the toolkit holds on to both.
    std::vector<char*> toolkitArgv = toolkitArguments(argc, argv);
    int toolkitArgc = static_cast<int>(toolkitArgv.size()) - 1;
    QApplication app(toolkitArgc, toolkitArgv.data());
    QApplication::setApplicationName("Zun Mp3 Karaoke");
    // The program ends through its own close-down (End), never because the
    // main window was unloaded for a moment (the settings dialog does that).
    QApplication::setQuitOnLastWindowClosed(false);
    setCommandLineAfterToolkit(argc, argv, toolkitArgc, toolkitArgv.data());

    // Message boxes answer with buttons in the program's language.
    setPrompterFrench([] { return modIni::Langue == "Fr"; });

    // A settings file that cannot be written is reported once per run.
    modIni::IniErrorBox = [](const std::string& path) { MsgBox(path, vbYesNo, "INI File Error"); };

    // Settings an older run kept beside the executable are copied to the
    // program folder before anything reads them.
    modIni::AdoptOldProgramFiles();

    Player& p = player();
    p.Show();
    return app.exec();
}
