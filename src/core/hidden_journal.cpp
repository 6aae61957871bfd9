#include "core/hidden_journal.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string_view>

#include "core/title_text.h"

namespace velumix {

namespace {

// "VXJn": the format of this program's journals, version n. Version 3, the
// one written, gives each window's process its start, which tells it from a
// later process with its number (after a restart of the machine, say), and
// holds titles as UTF-8 of up to 99 characters behind a 2-byte length.
// Records of earlier versions, left by a copy of the program before it, are
// still read: their titles are up to 99 bytes of the ANSI code page behind a
// 1-byte length, and the first version has no starts.
constexpr std::uint8_t kMagic[4] = {'V', 'X', 'J', '3'};
constexpr int kVersion = 3;
constexpr int kFirstVersionWithStarts = 2;
constexpr std::uint8_t kLockedFlag = 1;
constexpr std::size_t kMaxTitle = kTitleBufferSize - 1;
constexpr std::size_t kMaxCodePageTitle = 99;
constexpr std::size_t kMaxClass = kClassBufferSize - 1;

constexpr std::array<std::uint32_t, 256> MakeCrcTable() {
  std::array<std::uint32_t, 256> table{};
  for (std::uint32_t i = 0; i < 256; ++i) {
    std::uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    table[i] = c;
  }
  return table;
}

constexpr std::array<std::uint32_t, 256> kCrcTable = MakeCrcTable();

void Put(std::vector<std::uint8_t>& out, std::uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// Texts of up to 255 bytes take a 1-byte length, longer ones a 2-byte one.
int LengthBytes(std::size_t limit) { return limit > 0xFF ? 2 : 1; }

void PutText(std::vector<std::uint8_t>& out, const std::string& text, std::size_t limit) {
  std::size_t n = std::min(text.size(), limit);
  Put(out, n, LengthBytes(limit));
  out.insert(out.end(), text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n));
}

// Reads little-endian fields and refuses to run past the end.
class Cursor {
 public:
  Cursor(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

  bool Take(std::uint64_t& value, int bytes) {
    if (m_size - m_at < static_cast<std::size_t>(bytes)) return false;
    value = 0;
    for (int i = 0; i < bytes; ++i) value |= std::uint64_t{m_data[m_at + i]} << (8 * i);
    m_at += static_cast<std::size_t>(bytes);
    return true;
  }
  bool TakeText(std::string& text, std::size_t limit) {
    std::uint64_t n = 0;
    if (!Take(n, LengthBytes(limit)) || n > limit || m_size - m_at < n) return false;
    text.assign(reinterpret_cast<const char*>(m_data + m_at), static_cast<std::size_t>(n));
    m_at += static_cast<std::size_t>(n);
    return text.find('\0') == std::string::npos;
  }
  std::size_t at() const { return m_at; }

 private:
  const std::uint8_t* m_data;
  std::size_t m_size;
  std::size_t m_at = 0;
};

}  // namespace

std::uint32_t JournalChecksum(const std::uint8_t* data, std::size_t size) {
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::size_t i = 0; i < size; ++i) c = kCrcTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::vector<std::uint8_t> EncodeJournal(const Journal& journal) {
  std::vector<std::uint8_t> out(std::begin(kMagic), std::end(kMagic));
  Put(out, journal.owner.process, 4);
  Put(out, journal.owner.started, 8);
  out.push_back(journal.locked ? kLockedFlag : 0);
  std::size_t count = std::min<std::size_t>(journal.entries.size(), kMaxTrackedWindows);
  out.push_back(static_cast<std::uint8_t>(count));
  for (std::size_t i = 0; i < count; ++i) {
    const JournalEntry& entry = journal.entries[i];
    Put(out, entry.window, 8);
    Put(out, entry.process, 4);
    Put(out, entry.processStarted, 8);
    PutText(out, entry.title, kMaxTitle);
    PutText(out, entry.className, kMaxClass);
  }
  Put(out, JournalChecksum(out.data(), out.size()), 4);
  return out;
}

namespace {

// A window handle has 32 significant bits on every Windows, 32-bit or
// 64-bit: a 32-bit copy writes it zero-extended, a 64-bit copy as its
// program sees it, sign-extended. Both read back as this build's own handle;
// anything else names no window.
WindowId WindowFromJournal(std::uint64_t stored) {
  const std::uint32_t low = static_cast<std::uint32_t>(stored);
  const std::uint64_t signExtended = static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int32_t>(low)));
  if (stored != low && stored != signExtended) return kNoWindow;
  if constexpr (sizeof(WindowId) == 4) {
    return static_cast<WindowId>(low);
  } else {
    return static_cast<WindowId>(signExtended);
  }
}

}  // namespace

std::optional<Journal> DecodeJournal(const std::uint8_t* data, std::size_t size) {
  if (!data || size < sizeof kMagic + 4 + 8 + 1 + 1 + 4 || size > kMaxJournalSize) return std::nullopt;
  if (std::memcmp(data, kMagic, 3) != 0 || data[3] < '1' || data[3] > '0' + kVersion) return std::nullopt;
  const int version = data[3] - '0';
  const bool titlesInCodePage = version < kVersion;
  std::uint64_t crc = 0;
  Cursor trailer(data + size - 4, 4);
  if (!trailer.Take(crc, 4) || JournalChecksum(data, size - 4) != crc) return std::nullopt;

  Cursor in(data + sizeof kMagic, size - 4 - sizeof kMagic);
  Journal journal;
  std::uint64_t process = 0, started = 0, flags = 0, count = 0;
  if (!in.Take(process, 4) || !in.Take(started, 8) || !in.Take(flags, 1) || !in.Take(count, 1)) return std::nullopt;
  if ((flags & ~std::uint64_t{kLockedFlag}) != 0 || count > kMaxTrackedWindows) return std::nullopt;
  journal.owner = {static_cast<ProcessId>(process), started};
  journal.locked = (flags & kLockedFlag) != 0;
  for (std::uint64_t i = 0; i < count; ++i) {
    JournalEntry entry;
    std::uint64_t window = 0, owner = 0;
    if (!in.Take(window, 8) || !in.Take(owner, 4) ||
        (version >= kFirstVersionWithStarts && !in.Take(entry.processStarted, 8)) ||
        !in.TakeText(entry.title, titlesInCodePage ? kMaxCodePageTitle : kMaxTitle) ||
        !in.TakeText(entry.className, kMaxClass)) {
      return std::nullopt;
    }
    if (titlesInCodePage) entry.title = TitleFromCodePageText(entry.title);
    entry.window = WindowFromJournal(window);
    if (entry.window == kNoWindow || owner == 0) return std::nullopt;
    entry.process = static_cast<ProcessId>(owner);
    journal.entries.push_back(std::move(entry));
  }
  if (in.at() != size - 4 - sizeof kMagic) return std::nullopt;
  return journal;
}

bool StillRuns(const InstanceId& instance, const ProcessLook& look) {
  return look.seen == ProcessLook::Seen::Found && look.running && look.started == instance.started;
}

std::string JournalName(const InstanceId& instance) {
  return std::to_string(instance.process) + "." + std::to_string(instance.started);
}

namespace {

// The instance a value's name says it belongs to; nothing for a name no
// copy of the program would give a journal.
std::optional<InstanceId> InstanceNamed(std::string_view name) {
  std::size_t dot = name.find('.');
  if (dot == std::string_view::npos) return std::nullopt;
  InstanceId instance;
  const char* end = name.data() + name.size();
  auto [processEnd, processError] = std::from_chars(name.data(), name.data() + dot, instance.process);
  auto [startedEnd, startedError] = std::from_chars(name.data() + dot + 1, end, instance.started);
  if (processError != std::errc{} || processEnd != name.data() + dot || startedError != std::errc{} || startedEnd != end) {
    return std::nullopt;
  }
  return instance;
}

}  // namespace

bool JournalKeeper::MayBeInUse(const std::string& name) {
  std::optional<InstanceId> instance = InstanceNamed(name);
  return instance && (*instance == m_self || m_processes.IsRunning(*instance));
}

std::vector<AbandonedJournal> JournalKeeper::FindAbandoned() {
  std::vector<AbandonedJournal> found;
  const std::string own = JournalName(m_self);
  bool ownHeld = false;
  for (const JournalStore::Stored& stored : m_store.ReadAll()) {
    if (stored.name == own) {
      ownHeld = stored.readable && stored.bytes == m_written;
      continue;
    }
    std::optional<Journal> journal =
        stored.readable ? DecodeJournal(stored.bytes.data(), stored.bytes.size()) : std::nullopt;
    if (!journal || stored.name != JournalName(journal->owner)) {
      // Never trusted; removed only when its name says whose it was and that
      // one has ended. A copy's value read while it was being rewritten reads
      // as unreadable too.
      if (!MayBeInUse(stored.name)) m_store.Remove(stored.name);
      continue;
    }
    if (m_processes.IsRunning(journal->owner)) continue;
    found.push_back({stored.name, std::move(*journal)});
  }
  // Removed behind this run's back: the next Record writes it again.
  if (m_stored && !ownHeld) m_stored = false;
  return found;
}

bool JournalKeeper::IsSameProcess(const JournalEntry& entry) {
  ProcessLook look = m_processes.Look(entry.process);
  return look.seen == ProcessLook::Seen::Found && look.started == entry.processStarted;
}

bool JournalKeeper::StillTheWindow(const JournalEntry& entry) {
  if (m_windows.ProcessOf(entry.window) != entry.process) return false;  // gone, or another's now
  // Its process's number given to a later process, whose window got the same
  // handle: after a restart of the machine, say.
  if (entry.processStarted != 0 && !IsSameProcess(entry)) return false;
  char className[kClassBufferSize];
  m_windows.ReadClassName(entry.window, className);
  return entry.className == className;
}

// True when the window is in the table now, or was nothing to give back.
bool JournalKeeper::TakeBackWindow(HiddenWindowTable& table, const JournalEntry& entry) {
  if (!StillTheWindow(entry)) return true;
  if (m_windows.IsVisible(entry.window)) {
    // Shown again since, or its program has not yet got to the hide the
    // ended run asked for; that hide would come after this start, and no
    // journal would name the window. Asked now, the show comes after it.
    m_windows.Show(entry.window, ShowCommand::ShowWithoutActivating);
    return true;
  }
  char title[kTitleBufferSize];
  m_windows.GetTitle(entry.window, title);
  if (title[0] != '\0') return table.AdoptHidden(entry.window, title);
  return table.AdoptHidden(entry.window, entry.title.c_str());
}

TakenBack JournalKeeper::TakeBack(HiddenWindowTable& table, const std::vector<AbandonedJournal>& found,
                                  bool takeLocked) {
  TakenBack taken;
  std::vector<std::string> done;
  for (const AbandonedJournal& abandoned : found) {
    if (abandoned.LockedAway() && !takeLocked) continue;
    int before = table.HiddenCount();
    bool all = true;
    for (const JournalEntry& entry : abandoned.journal.entries) {
      all = TakeBackWindow(table, entry) && all;
      if (int i = table.Find(entry.window); i >= 0 && table[i].hidden != 0) taken.stack.push_back(entry.window);
    }
    taken.windows += table.HiddenCount() - before;
    // Another journal may have taken the window in first: a locked one names
    // it all the same, and locked wins.
    auto heldHidden = [&](const JournalEntry& entry) {
      int index = table.Find(entry.window);
      return index >= 0 && table[index].hidden != 0;
    };
    const std::vector<JournalEntry>& entries = abandoned.journal.entries;
    taken.fromLocked = taken.fromLocked ||
                       (abandoned.journal.locked && std::any_of(entries.begin(), entries.end(), heldHidden));
    if (all) done.push_back(abandoned.name);
  }
  // Only once this run's journal names the windows may the old ones go.
  if (!Record(table)) return taken;
  for (const std::string& name : done) m_store.Remove(name);
  return taken;
}

Journal JournalKeeper::Describe(const HiddenWindowTable& table) {
  Journal journal{m_self, m_locked, {}};
  for (int i = 0; i < table.count(); ++i) {
    const HiddenWindowEntry& entry = table[i];
    if (entry.hidden == 0) continue;
    ProcessId process = m_windows.ProcessOf(entry.hwnd);
    if (process == 0) continue;  // gone: there is nothing to give back
    char className[kClassBufferSize];
    m_windows.ReadClassName(entry.hwnd, className);
    ProcessLook look = m_processes.Look(process);
    std::uint64_t started = look.seen == ProcessLook::Seen::Found ? look.started : 0;
    journal.entries.push_back({entry.hwnd, process, started, entry.title, className});
  }
  auto place = [&](const JournalEntry& entry) {
    return std::find(m_stack.begin(), m_stack.end(), entry.window) - m_stack.begin();
  };
  std::stable_sort(journal.entries.begin(), journal.entries.end(),
                   [&](const JournalEntry& a, const JournalEntry& b) { return place(a) < place(b); });
  return journal;
}

bool JournalKeeper::Record(const HiddenWindowTable& table) {
  Journal journal = Describe(table);
  std::string name = JournalName(m_self);
  // With nothing held hidden there is nothing to give back, and no journal.
  if (journal.entries.empty()) {
    if (m_stored) m_store.Remove(name);
    m_stored = false;
    return true;
  }
  std::vector<std::uint8_t> bytes = EncodeJournal(journal);
  if (m_stored && bytes == m_written) return true;
  // A journal that could not be written is tried again at the next change;
  // so is one the next start could not read (a key that takes writes and
  // refuses reads): it is no record.
  if (!m_store.Write(name, bytes) || m_store.Read(name) != bytes) return false;
  m_stored = true;
  m_written = std::move(bytes);
  return true;
}

bool JournalKeeper::SetLocked(bool locked, const HiddenWindowTable& table) {
  m_locked = locked;
  return Record(table);
}

std::vector<WindowId> JournalKeeper::HeldLocked() {
  const std::string own = JournalName(m_self);
  auto rewritten = [&](const JournalStore::Stored& stored) {
    return !stored.readable && stored.name != own && MayBeInUse(stored.name);
  };
  // A copy's journal read while that copy rewrites it reads as unreadable:
  // read again, a few times at most.
  std::vector<JournalStore::Stored> all = m_store.ReadAll();
  for (int look = 1; look < 3 && std::any_of(all.begin(), all.end(), rewritten); ++look) all = m_store.ReadAll();
  // A copy that removes or writes its journal while the values are walked
  // can shift another one out of that walk: only two walks in a row that
  // agree say what the store holds. Every journal any walk saw is kept, and
  // without agreement each counts as locked.
  auto same = [](const JournalStore::Stored& a, const JournalStore::Stored& b) {
    return a.name == b.name && a.readable == b.readable && a.bytes == b.bytes;
  };
  std::vector<JournalStore::Stored> seen = all;
  bool sure = false;
  for (int walk = 0; walk < kAgreeingWalks && !sure; ++walk) {
    std::vector<JournalStore::Stored> again = m_store.ReadAll();
    sure = std::equal(again.begin(), again.end(), all.begin(), all.end(), same);
    for (JournalStore::Stored& stored : again) {
      if (std::none_of(seen.begin(), seen.end(), [&](const auto& s) { return same(s, stored); })) {
        seen.push_back(stored);
      }
    }
    all = std::move(again);
  }

  std::vector<WindowId> held;
  for (const JournalStore::Stored& stored : seen) {
    if (stored.name == own || !stored.readable) continue;
    std::optional<Journal> journal = DecodeJournal(stored.bytes.data(), stored.bytes.size());
    if (!journal || !(journal->locked || !sure) || stored.name != JournalName(journal->owner)) continue;
    for (const JournalEntry& entry : journal->entries) {
      if (StillTheWindow(entry)) held.push_back(entry.window);
    }
  }
  std::sort(held.begin(), held.end());
  held.erase(std::unique(held.begin(), held.end()), held.end());
  return held;
}

void JournalKeeper::Clear() {
  if (m_stored) m_store.Remove(JournalName(m_self));
  m_stored = false;
}

}  // namespace velumix
