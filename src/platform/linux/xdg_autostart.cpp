#include "platform/linux/xdg_autostart.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace ps {

namespace {

// Quotes a path for the Exec key of a desktop entry. Inside the double quotes ", `, $
// and \ take a backslash, and the entry's own string escaping doubles every backslash
// again; "%" is the field-code marker and is doubled.
std::string quotedExecArgument(const std::string& path) {
    std::string quoted = "\"";
    for (char c : path) {
        switch (c) {
            case '"':
            case '`':
            case '$':
                quoted += "\\\\";
                quoted += c;
                break;
            case '\\':
                quoted += "\\\\\\\\";
                break;
            case '%':
                quoted += "%%";
                break;
            case '\n':
            case '\r':
                break;
            default:
                quoted += c;
                break;
        }
    }
    quoted += '"';
    return quoted;
}

}  // namespace

XdgAutostart::XdgAutostart(std::string configHome)
    : configHome_(std::move(configHome)),
      entryPath_(configHome_ + "/autostart/platterscoop.desktop") {}

std::string XdgAutostart::configHomeFromEnvironment() {
    const char* xdg = std::getenv("XDG_CONFIG_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return xdg;
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.config";
}

bool XdgAutostart::isRegistered() {
    std::error_code error;
    return std::filesystem::exists(entryPath_, error);
}

void XdgAutostart::registerProgram(const std::string& executablePath) {
    namespace fs = std::filesystem;
    std::error_code error;
    fs::create_directories(fs::path(entryPath_).parent_path(), error);
    const std::string temporary = entryPath_ + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            return;
        }
        out << "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Platterscoop\n"
               "Comment=CD ripper\n"
               "Exec="
            << quotedExecArgument(executablePath)
            << "\n"
               "Terminal=false\n"
               "X-GNOME-Autostart-enabled=true\n";
        if (!out.flush()) {
            out.close();
            fs::remove(temporary, error);
            return;
        }
    }
    fs::rename(temporary, entryPath_, error);
    if (error) {
        fs::remove(temporary, error);
    }
}

void XdgAutostart::unregister() {
    std::error_code error;
    std::filesystem::remove(entryPath_, error);
}

}  // namespace ps
