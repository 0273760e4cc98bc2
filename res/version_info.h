// The program's version block: what Explorer's properties and installers
// read from the executable. The About box shows the same version text.
#ifndef KORVAN_RES_VERSION_INFO_H
#define KORVAN_RES_VERSION_INFO_H

struct VersionInfo {
    int fileVersion[4];  // major, minor, build, revision; the product's is the same
    const char* versionText;
    const char* companyName;
    const char* fileDescription;
    const char* internalName;
    const char* originalFilename;
    const char* productName;
    const char* legalCopyright;
};

inline constexpr VersionInfo kVersionInfo{
    {5, 2, 2, 0}, "5.22",       "Tavo",   "Korvan clock utility",
    "Korvan",     "korvan.exe", "Korvan", "Copyright (C) 2026 Tavo",
};

#endif  // KORVAN_RES_VERSION_INFO_H
