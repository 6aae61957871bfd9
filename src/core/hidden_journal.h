// The record, kept outside the process, of the windows the program holds
// hidden. A run that ends without its own exit path (killed, crashed, or
// ended with the session) leaves it behind, and the next start gives those
// windows back instead of leaving them stranded with no taskbar button.
//
// Each running instance keeps one journal under a name of its own. It is
// written whole in one store operation, so a kill at any instant leaves the
// old record or the new one; a hide is recorded before it is asked for, a
// show after, so the record names every window that may be hidden.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/hidden_window_table.h"
#include "core/window_engine.h"
#include "core/window_system.h"

namespace velumix {

// No valid journal is larger; anything larger is not read.
inline constexpr std::size_t kMaxJournalSize =
    4 + 4 + 8 + 1 + 1 + kMaxTrackedWindows * (8 + 4 + 8 + 2 + (kTitleBufferSize - 1) + 1 + (kClassBufferSize - 1)) + 4;

struct JournalEntry {
  WindowId window = kNoWindow;
  ProcessId process = 0;
  // When that process started; 0 when unknown (it could not be looked at, or
  // an earlier version of the program wrote the record).
  std::uint64_t processStarted = 0;
  // UTF-8 of at most 99 characters; the code-page titles of an earlier
  // version's record are read into UTF-8 (TitleFromCodePageText).
  std::string title;
  std::string className;  // at most 63 bytes
  friend bool operator==(const JournalEntry&, const JournalEntry&) = default;
};

// One running instance, told apart from a later process that got its number.
struct InstanceId {
  ProcessId process = 0;
  std::uint64_t started = 0;
  friend bool operator==(const InstanceId&, const InstanceId&) = default;
};

struct Journal {
  InstanceId owner;
  bool locked = false;  // the hidden windows are behind the password
  std::vector<JournalEntry> entries;
  friend bool operator==(const Journal&, const Journal&) = default;
};

std::vector<std::uint8_t> EncodeJournal(const Journal& journal);
// The seal at a journal's end: CRC-32 of what comes before it.
std::uint32_t JournalChecksum(const std::uint8_t* data, std::size_t size);
// Nothing for data that is not exactly a journal this program wrote: another
// format, a wrong checksum, a short or long record, out-of-range fields.
std::optional<Journal> DecodeJournal(const std::uint8_t* data, std::size_t size);

// How many more walks over the journals HeldLocked makes at most for two in
// a row to agree.
inline constexpr int kAgreeingWalks = 4;

// Where the journals live, each under the name of its instance.
class JournalStore {
 public:
  struct Stored {
    std::string name;
    std::vector<std::uint8_t> bytes;
    bool readable;  // false: too large or unreadable; the bytes are empty
  };
  virtual ~JournalStore() = default;
  virtual std::vector<Stored> ReadAll() = 0;
  // The bytes stored under `name`; nothing when there are none or they
  // cannot be read.
  virtual std::optional<std::vector<std::uint8_t>> Read(const std::string& name) = 0;
  virtual bool Write(const std::string& name, const std::vector<std::uint8_t>& bytes) = 0;
  virtual void Remove(const std::string& name) = 0;
};

// What the system tells about a process number.
struct ProcessLook {
  enum class Seen { Gone, Denied, Found };
  Seen seen = Seen::Gone;
  std::uint64_t started = 0;  // when Found
  bool running = false;       // when Found: it has not exited
};

// Whether `instance` still runs. A process that may not be looked at is not
// one of ours: every copy runs as the user whose registry holds the journals,
// and may look at another; so its number has been given to a process of
// someone else, and the instance has ended.
bool StillRuns(const InstanceId& instance, const ProcessLook& look);

class Processes {
 public:
  virtual ~Processes() = default;
  virtual InstanceId Self() = 0;
  virtual ProcessLook Look(ProcessId process) = 0;
  bool IsRunning(const InstanceId& instance) { return StillRuns(instance, Look(instance.process)); }
};

// The name an instance keeps its journal under.
std::string JournalName(const InstanceId& instance);

// The journal of a run that ended without giving its windows back.
struct AbandonedJournal {
  std::string name;
  Journal journal;
  bool LockedAway() const { return journal.locked && !journal.entries.empty(); }
};

struct TakenBack {
  int windows = 0;
  // The windows taken in, in the order their journals list them: top first.
  std::vector<WindowId> stack;
  bool fromLocked = false;  // a run left locked names some of them, whichever journal took them in
};

// Keeps this run's journal while it holds windows hidden, gives back what
// runs that ended left, and tells which windows other runs hold locked.
class JournalKeeper final : public HiddenRecord, public OtherHolders {
 public:
  JournalKeeper(JournalStore& store, Processes& processes, WindowSystem& windows)
      : m_store(store), m_processes(processes), m_windows(windows), m_self(processes.Self()) {}

  // Journals of instances that are no longer running. Unreadable ones are
  // never trusted, and removed once their names show their instances gone.
  // Notices when this run's own journal has gone from the store.
  std::vector<AbandonedJournal> FindAbandoned();
  // Takes into the table, as hidden entries, the windows the journals name
  // that still exist, belong to the same process and class and are not
  // visible (nothing is asked of them). One that is visible is asked to
  // show, so that a hide still pending in its program ends shown. Without
  // `takeLocked`, journals left locked are passed over. This run's journal
  // is written, and then each journal whose windows are all in the table is
  // removed; one that did not fit stays for a later try.
  TakenBack TakeBack(HiddenWindowTable& table, const std::vector<AbandonedJournal>& found, bool takeLocked);
  // Whether what is recorded is behind the password; false when the journal
  // could not be written.
  bool SetLocked(bool locked, const HiddenWindowTable& table);
  // Records what the table holds hidden now, if that differs from what was
  // last written; with nothing hidden, there is no journal. True when the
  // store holds what the table says and gives it back when read.
  bool Record(const HiddenWindowTable& table) override;
  // A journal lists the windows in this order, top first; those it does not
  // hold come after them, in table order.
  void NoteStack(const std::vector<WindowId>& topFirst) override { m_stack = topFirst; }
  // Nothing is left to give back: this run's journal goes.
  void Clear();
  // The windows that the locked journals of other instances name, running
  // or ended, read from the store now; only those that are still the
  // windows named (same process and class) count. Where the store changes
  // under every read, every journal counts as locked.
  std::vector<WindowId> HeldLocked() override;

 private:
  Journal Describe(const HiddenWindowTable& table);
  // The value `name` may be the journal of a running instance, this one's
  // included.
  bool MayBeInUse(const std::string& name);
  // The handle still names the window the entry describes.
  bool StillTheWindow(const JournalEntry& entry);
  bool TakeBackWindow(HiddenWindowTable& table, const JournalEntry& entry);
  // The entry's process still runs: its number has the start it was written with.
  bool IsSameProcess(const JournalEntry& entry);

  JournalStore& m_store;
  Processes& m_processes;
  WindowSystem& m_windows;
  InstanceId m_self;
  bool m_locked = false;
  bool m_stored = false;  // the store holds a journal of this run: m_written
  std::vector<std::uint8_t> m_written;
  std::vector<WindowId> m_stack;
};

}  // namespace velumix
