// Writes the Windows resource script of the program from its resource table,
// so that the table in res/ stays the one description of the dialogs,
// strings and images: the Windows build compiles the script with windres.
//
//   write_resource_script OUTPUT_DIRECTORY
//
// writes korvan.rc there, with the images it names beside it;
//
//   write_resource_script --list-dialog ID
//
// lists dialog template ID for the Windows tests to compare the dialog that
// the system builds with: a first line "dialog", caption, cx,cy, font size,
// font name, style; then one line per control: id, class, text, x,y,cx,cy
// in dialog units, style. Fields are tab-separated.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "framework/resources.h"
#include "res/version_info.h"

namespace {

// A resource script string: quotes doubled, backslashes escaped.
std::string Quoted(const char* text) {
    std::string quoted = "\"";
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '"') {
            quoted += "\"\"";
        } else if (*c == '\\') {
            quoted += "\\\\";
        } else {
            quoted += *c;
        }
    }
    return quoted + "\"";
}

std::string Hex(win::DWORD value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

bool WriteBytes(const std::string& path, std::span<const unsigned char> bytes) {
    std::ofstream file(path, std::ios::binary);
    file.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(file);
}

// The whole style of every window is given, so the compiler adds nothing.
void WriteDialog(std::ostream& out, const win::DialogTemplate& dialog) {
    out << dialog.id << " DIALOG " << dialog.x << ", " << dialog.y << ", " << dialog.cx << ", "
        << dialog.cy << "\n"
        << "STYLE " << Hex(dialog.style) << "\n"
        << "CAPTION " << Quoted(dialog.caption) << "\n"
        << "FONT " << dialog.fontPointSize << ", " << Quoted(dialog.fontName) << "\n"
        << "BEGIN\n";
    for (const win::ControlTemplate& control : dialog.controls) {
        // A picture's text names its image resource by number.
        const std::string text = control.text != nullptr ? Quoted(control.text)
                                 : control.imageId != 0  ? std::to_string(control.imageId)
                                                         : Quoted("");
        out << "    CONTROL " << text << ", " << control.id << ", " << Quoted(control.className)
            << ", " << Hex(control.style) << ", " << control.x << ", " << control.y << ", "
            << control.cx << ", " << control.cy << "\n";
    }
    out << "END\n\n";
}

void WriteVersion(std::ostream& out) {
    const VersionInfo& version = kVersionInfo;
    std::ostringstream numbers;
    numbers << version.fileVersion[0] << "," << version.fileVersion[1] << ","
            << version.fileVersion[2] << "," << version.fileVersion[3];
    const auto value = [&out](const char* name, const char* text) {
        out << "            VALUE " << Quoted(name) << ", " << Quoted(text) << "\n";
    };
    // An application (VFT_APP 1) for Windows NT (VOS_NT_WINDOWS32 0x40004),
    // in U.S. English with Unicode text.
    out << "1 VERSIONINFO\n"
        << "FILEVERSION " << numbers.str() << "\n"
        << "PRODUCTVERSION " << numbers.str() << "\n"
        << "FILEFLAGSMASK 0x3F\nFILEFLAGS 0x0\nFILEOS 0x40004\nFILETYPE 0x1\nFILESUBTYPE 0x0\n"
        << "BEGIN\n    BLOCK \"StringFileInfo\"\n    BEGIN\n        BLOCK \"040904B0\"\n"
        << "        BEGIN\n";
    value("CompanyName", version.companyName);
    value("FileDescription", version.fileDescription);
    value("FileVersion", version.versionText);
    value("InternalName", version.internalName);
    value("LegalCopyright", version.legalCopyright);
    value("OriginalFilename", version.originalFilename);
    value("ProductName", version.productName);
    value("ProductVersion", version.versionText);
    out << "        END\n    END\n"
        << "    BLOCK \"VarFileInfo\"\n    BEGIN\n        VALUE \"Translation\", 0x409, 1200\n"
        << "    END\nEND\n";
}

int ListDialog(int id) {
    const win::DialogTemplate* dialog = win::ProgramResources().FindDialog(id);
    if (dialog == nullptr) {
        std::cerr << "no dialog template " << id << "\n";
        return 1;
    }
    std::cout << "dialog\t" << dialog->caption << '\t' << dialog->cx << ',' << dialog->cy << '\t'
              << dialog->fontPointSize << '\t' << dialog->fontName << '\t' << Hex(dialog->style)
              << '\n';
    for (const win::ControlTemplate& control : dialog->controls) {
        const std::string text = control.text != nullptr ? control.text
                                 : control.imageId != 0
                                     ? "<image " + std::to_string(control.imageId) + ">"
                                     : "";
        std::cout << control.id << '\t' << control.className << '\t' << text << '\t' << control.x
                  << ',' << control.y << ',' << control.cx << ',' << control.cy << '\t'
                  << Hex(control.style) << '\n';
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--list-dialog") return ListDialog(std::atoi(argv[2]));
    if (argc != 2) {
        std::cerr << "usage: write_resource_script OUTPUT_DIRECTORY\n"
                     "       write_resource_script --list-dialog ID\n";
        return 2;
    }
    const std::string directory = argv[1];
    const win::ResourceTable& table = win::ProgramResources();

    std::ostringstream script;
    script << "// Written by write_resource_script from the program's resource table.\n"
           << "LANGUAGE 0x09, 0x01\n\n";
    for (const win::ImageResource& icon : table.icons) {
        const std::string path = directory + "/icon" + std::to_string(icon.id) + ".ico";
        if (!WriteBytes(path, icon.fileBytes)) {
            std::cerr << "cannot write " << path << "\n";
            return 1;
        }
        script << icon.id << " ICON " << Quoted(path.c_str()) << "\n";
    }
    for (const win::ImageResource& bitmap : table.bitmaps) {
        const std::string path = directory + "/bitmap" + std::to_string(bitmap.id) + ".bmp";
        if (!WriteBytes(path, bitmap.fileBytes)) {
            std::cerr << "cannot write " << path << "\n";
            return 1;
        }
        script << bitmap.id << " BITMAP " << Quoted(path.c_str()) << "\n";
    }
    script << "\n";
    for (const win::DialogTemplate& dialog : table.dialogs) WriteDialog(script, dialog);
    script << "STRINGTABLE\nBEGIN\n";
    for (const win::StringResource& string : table.strings) {
        script << "    " << string.id << ", " << Quoted(string.text) << "\n";
    }
    script << "END\n\n";
    WriteVersion(script);

    const std::string scriptPath = directory + "/korvan.rc";
    std::ofstream file(scriptPath, std::ios::binary);
    file << script.str();
    if (!file) {
        std::cerr << "cannot write " << scriptPath << "\n";
        return 1;
    }
    return 0;
}
