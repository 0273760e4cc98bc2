// The state store on Windows: a per-user folder, a lock file held with
// LockFileEx, and a temporary file moved over the state file for atomic
// replacement. Reparse points (symbolic links, junctions) are never followed,
// and the folder and files must belong to this user where the volume records
// owners at all. Whether other users may write the folder is left to its
// access list: a folder the library creates under %LOCALAPPDATA% inherits
// that folder's private one.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
// windows.h first: these depend on its types.
#include <aclapi.h>
#include <sddl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <vector>

#include "clocksim/state_store.h"

namespace clocksim {
namespace {

constexpr const char* kStateName = "state";
constexpr const char* kTempName = "state.new";
constexpr const char* kLockName = "lock";
// A state file is a few lines per device; anything bigger is not one.
constexpr DWORD kMaxStateBytes = 1 << 20;
// A reader may meet the state file in the instant it is being replaced.
constexpr int kOpenAttempts = 50;
constexpr DWORD kOpenRetryMs = 2;

std::string SystemMessage(DWORD error) {
    char* text = nullptr;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<char*>(&text), 0, nullptr);
    std::string message = length > 0 ? std::string(text, length) : std::string();
    LocalFree(text);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' ||
                                message.back() == ' ' || message.back() == '.')) {
        message.pop_back();
    }
    if (message.empty()) message = "system error " + std::to_string(error);
    return message;
}

std::string ErrorFault(const char* action, DWORD error = GetLastError()) {
    return std::string(action) + ": " + SystemMessage(error);
}

class Handle {
  public:
    explicit Handle(HANDLE handle = INVALID_HANDLE_VALUE) : handle_(handle) {}
    Handle(const Handle&) = delete;
    Handle& operator=(const Handle&) = delete;
    ~Handle() {
        if (valid()) CloseHandle(handle_);
    }
    HANDLE get() const { return handle_; }
    HANDLE Release() {
        const HANDLE handle = handle_;
        handle_ = INVALID_HANDLE_VALUE;
        return handle;
    }
    bool valid() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

  private:
    HANDLE handle_;
};

std::string SidText(PSID sid) {
    char* text = nullptr;
    if (!ConvertSidToStringSidA(sid, &text)) return "an unknown user";
    std::string result = text;
    LocalFree(text);
    return result;
}

// The accounts whose files count as this user's: the user, and the owner the
// user's token gives new files (Administrators, when elevated).
class ThisUser {
  public:
    ThisUser() {
        HANDLE token = nullptr;
        if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return;
        user_ = TokenPart(token, TokenUser);
        owner_ = TokenPart(token, TokenOwner);
        CloseHandle(token);
    }

    PSID User() const {
        return user_.empty() ? nullptr
                             : reinterpret_cast<const TOKEN_USER*>(user_.data())->User.Sid;
    }

    bool Owns(PSID sid) const {
        if (EqualSid(sid, User())) return true;
        return !owner_.empty() &&
               EqualSid(sid, reinterpret_cast<const TOKEN_OWNER*>(owner_.data())->Owner);
    }

  private:
    static std::vector<unsigned char> TokenPart(HANDLE token, TOKEN_INFORMATION_CLASS part) {
        DWORD size = 0;
        GetTokenInformation(token, part, nullptr, 0, &size);
        std::vector<unsigned char> bytes(size);
        if (size == 0 || !GetTokenInformation(token, part, bytes.data(), size, &size)) return {};
        return bytes;
    }

    std::vector<unsigned char> user_;
    std::vector<unsigned char> owner_;
};

// Empty when the object belongs to this user, or when its volume keeps no
// owners (FAT) and so cannot say.
std::string OwnershipFault(HANDLE object) {
    PSID owner = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    const DWORD error = GetSecurityInfo(object, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION, &owner,
                                        nullptr, nullptr, nullptr, &descriptor);
    if (error != ERROR_SUCCESS) return ErrorFault("cannot read its owner", error);
    std::string fault;
    const ThisUser user;
    if (owner != nullptr && user.User() != nullptr && !user.Owns(owner)) {
        fault = "belongs to user " + SidText(owner) + ", not to this user (" +
                SidText(user.User()) + ")";
    }
    LocalFree(descriptor);
    return fault;
}

bool IsReparsePoint(DWORD attributes) {
    return (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

const char* const kLinkFault = "is a symbolic link or junction, which is never followed";

// Opens a file of the state folder itself, never what a reparse point names.
HANDLE OpenInFolder(const std::string& path, DWORD access, DWORD share, DWORD disposition) {
    return CreateFileA(path.c_str(), access, share, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
}

// Empty when `file` is a plain file of this user.
std::string PlainFileFault(HANDLE file, BY_HANDLE_FILE_INFORMATION& info) {
    if (!GetFileInformationByHandle(file, &info)) return ErrorFault("cannot examine");
    if (IsReparsePoint(info.dwFileAttributes)) return kLinkFault;
    if (GetFileType(file) != FILE_TYPE_DISK ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return "is not a regular file";
    }
    return OwnershipFault(file);
}

// Which file a path named at one moment: the state file is only ever
// replaced whole, so a new file or a new write shows here.
struct FileVersion {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
    DWORD sizeHigh = 0;
    DWORD sizeLow = 0;
    FILETIME written{};

    static FileVersion Of(const BY_HANDLE_FILE_INFORMATION& info) {
        return {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow,
                info.nFileSizeHigh,        info.nFileSizeLow,   info.ftLastWriteTime};
    }
    bool operator==(const FileVersion& other) const {
        return volume == other.volume && indexHigh == other.indexHigh &&
               indexLow == other.indexLow && sizeHigh == other.sizeHigh &&
               sizeLow == other.sizeLow && written.dwLowDateTime == other.written.dwLowDateTime &&
               written.dwHighDateTime == other.written.dwHighDateTime;
    }
};

std::string ChooseDirectory() {
    std::string directory;
    if (const char* chosen = std::getenv("TAVOCLOCK_STATE_DIR"); chosen && *chosen) {
        directory = chosen;
    } else if (const char* local = std::getenv("LOCALAPPDATA"); local && *local) {
        directory = std::string(local) + "\\tavoclock";
    } else {
        char temp[MAX_PATH + 1] = {};
        const DWORD length = GetTempPathA(sizeof temp, temp);
        directory = std::string(temp, length > sizeof temp ? 0 : length) + "tavoclock";
    }
    // "C:\" keeps its separator; any other trailing one would make a link's
    // name look through the link.
    while (directory.size() > 3 && (directory.back() == '\\' || directory.back() == '/')) {
        directory.pop_back();
    }
    return directory;
}

class WindowsStateStore final : public StateStore {
  public:
    WindowsStateStore(const std::string& directory, HANDLE directoryHandle, HANDLE lockHandle)
        : directory_(directoryHandle),
          lock_(lockHandle),
          filePath_(directory + "\\" + kStateName),
          tempPath_(directory + "\\" + kTempName) {}

    const std::string& FilePath() const override { return filePath_; }

    StateRead Read() override {
        Handle file(OpenForReading());
        if (!file.valid()) {
            const DWORD error = GetLastError();
            if (error == ERROR_FILE_NOT_FOUND) return NoteMissing();
            return Failed(ErrorFault("cannot open", error));
        }
        BY_HANDLE_FILE_INFORMATION info{};
        if (std::string fault = PlainFileFault(file.get(), info); !fault.empty()) {
            return Failed(std::move(fault));
        }
        const FileVersion version = FileVersion::Of(info);
        if (seen_ == Seen::kFile && version == seenVersion_)
            return {StateRead::Kind::kUnchanged, {}};
        if (info.nFileSizeHigh != 0 || info.nFileSizeLow > kMaxStateBytes) {
            return Failed("too large to be a state file");
        }

        StateRead result{StateRead::Kind::kContent, std::string(info.nFileSizeLow, '\0')};
        DWORD total = 0;
        while (total < info.nFileSizeLow) {
            DWORD got = 0;
            if (!ReadFile(file.get(), result.text.data() + total, info.nFileSizeLow - total, &got,
                          nullptr)) {
                return Failed(ErrorFault("cannot read"));
            }
            if (got == 0) break;
            total += got;
        }
        result.text.resize(total);
        seenVersion_ = version;
        seen_ = Seen::kFile;
        return result;
    }

    bool Lock(std::string& fault) override {
        OVERLAPPED whole{};
        if (!LockFileEx(lock_.get(), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &whole)) {
            fault = ErrorFault("cannot lock");
            return false;
        }
        return true;
    }

    void Unlock() override {
        OVERLAPPED whole{};
        UnlockFileEx(lock_.get(), 0, 1, 0, &whole);
    }

    bool Replace(std::string_view text, std::string& fault) override {
        // A temporary file left by a process killed mid-write is stale: only
        // the lock holder writes it.
        if (!DeleteFileA(tempPath_.c_str()) && GetLastError() != ERROR_FILE_NOT_FOUND) {
            fault = ErrorFault("cannot remove the stale temporary file");
            return false;
        }
        {
            Handle temp(OpenInFolder(tempPath_, GENERIC_WRITE, 0, CREATE_NEW));
            if (!temp.valid()) {
                fault = ErrorFault("cannot create a temporary file");
                return false;
            }
            if (!WriteAll(temp.get(), text) || !FlushFileBuffers(temp.get())) {
                fault = ErrorFault("cannot write");
                return Abandon();
            }
        }
        if (!MoveFileExA(tempPath_.c_str(), filePath_.c_str(),
                         MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
            fault = ErrorFault("cannot write");
            return Abandon();
        }
        // Nobody replaces the file while the lock is held: this is the
        // version just written.
        Handle file(OpenForReading());
        BY_HANDLE_FILE_INFORMATION info{};
        if (file.valid() && GetFileInformationByHandle(file.get(), &info)) {
            seenVersion_ = FileVersion::Of(info);
            seen_ = Seen::kFile;
        } else {
            seen_ = Seen::kNothing;
        }
        return true;
    }

  private:
    enum class Seen { kNothing, kMissing, kFile };

    // Shared for delete, so that a reader never stops a writer's replace.
    HANDLE OpenForReading() const {
        HANDLE file = INVALID_HANDLE_VALUE;
        for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
            file =
                OpenInFolder(filePath_, GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
            if (file != INVALID_HANDLE_VALUE) return file;
            const DWORD error = GetLastError();
            if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION) break;
            Sleep(kOpenRetryMs);
            SetLastError(error);
        }
        return file;
    }

    static bool WriteAll(HANDLE file, std::string_view text) {
        while (!text.empty()) {
            DWORD written = 0;
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 1 << 20));
            if (!WriteFile(file, text.data(), chunk, &written, nullptr) || written == 0) {
                return false;
            }
            text.remove_prefix(written);
        }
        return true;
    }

    bool Abandon() {
        DeleteFileA(tempPath_.c_str());
        return false;
    }

    StateRead NoteMissing() {
        const bool unchanged = seen_ == Seen::kMissing;
        seen_ = Seen::kMissing;
        return {unchanged ? StateRead::Kind::kUnchanged : StateRead::Kind::kMissing, {}};
    }

    StateRead Failed(std::string fault) {
        seen_ = Seen::kNothing;
        return {StateRead::Kind::kFailed, std::move(fault)};
    }

    // Held without delete sharing, so the folder cannot be renamed or
    // replaced while the store uses paths inside it.
    Handle directory_;
    Handle lock_;
    std::string filePath_;
    std::string tempPath_;
    Seen seen_ = Seen::kNothing;
    FileVersion seenVersion_;
};

}  // namespace

StateStoreOpening OpenStateStore() {
    StateStoreOpening opening;
    const std::string directory = ChooseDirectory();
    opening.subject = directory;
    const auto fail = [&opening](std::string fault) {
        opening.fault = std::move(fault);
        return std::move(opening);
    };

    if (!CreateDirectoryA(directory.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS) {
        return fail(ErrorFault("cannot create the state directory"));
    }
    Handle directoryHandle(CreateFileA(directory.c_str(), FILE_LIST_DIRECTORY | READ_CONTROL,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                       nullptr));
    if (!directoryHandle.valid()) return fail(ErrorFault("cannot open the state directory"));
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(directoryHandle.get(), &info)) {
        return fail(ErrorFault("cannot examine the state directory"));
    }
    if (IsReparsePoint(info.dwFileAttributes)) {
        return fail(std::string("the state directory ") + kLinkFault);
    }
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        return fail("the state directory is not a directory");
    }
    if (std::string owner = OwnershipFault(directoryHandle.get()); !owner.empty()) {
        return fail("the state directory " + owner);
    }

    const std::string lockPath = directory + "\\" + kLockName;
    opening.subject = lockPath;
    Handle lockHandle(OpenInFolder(lockPath, GENERIC_READ | GENERIC_WRITE | READ_CONTROL,
                                   FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS));
    if (!lockHandle.valid()) return fail(ErrorFault("cannot open"));
    if (std::string fault = PlainFileFault(lockHandle.get(), info); !fault.empty()) {
        return fail(std::move(fault));
    }

    opening.store = std::make_unique<WindowsStateStore>(directory, directoryHandle.Release(),
                                                        lockHandle.Release());
    opening.subject.clear();
    return opening;
}

}  // namespace clocksim
