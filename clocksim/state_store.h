// Where the state file lives and how it is read and replaced. This is the
// only part that touches the operating system's file locking, atomic replace,
// per-user folders and ownership; each system has its own implementation file.
#ifndef KORVAN_CLOCKSIM_STATE_STORE_H
#define KORVAN_CLOCKSIM_STATE_STORE_H

#include <memory>
#include <string>
#include <string_view>

namespace clocksim {

struct StateRead {
    enum class Kind {
        kUnchanged,  // the same file the previous Read or Replace saw
        kMissing,    // no state file: nothing was changed yet
        kContent,    // `text` holds the file
        kFailed,     // `text` holds why the file could not be read
    };
    Kind kind = Kind::kFailed;
    std::string text;
};

class StateStore {
  public:
    virtual ~StateStore() = default;

    // The state file's path, to name it in messages.
    virtual const std::string& FilePath() const = 0;

    // Cheap when nothing changed: readers take no lock, since the file is only
    // ever replaced whole.
    virtual StateRead Read() = 0;

    // Serialises read-modify-write cycles of all processes. While held, a
    // Read followed by Replace cannot lose another process's change.
    virtual bool Lock(std::string& fault) = 0;
    virtual void Unlock() = 0;

    // Replaces the file so that a reader or a crash sees either the old or the
    // new content, never a mix. Only while the lock is held.
    virtual bool Replace(std::string_view text, std::string& fault) = 0;
};

struct StateStoreOpening {
    std::unique_ptr<StateStore> store;  // null on failure
    std::string subject;                // the path the fault is about
    std::string fault;
};

// Finds, creates if needed and checks the state folder: TAVOCLOCK_STATE_DIR,
// else the system's per-user place.
StateStoreOpening OpenStateStore();

}  // namespace clocksim

#endif  // KORVAN_CLOCKSIM_STATE_STORE_H
