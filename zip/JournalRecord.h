#pragma once
// The installation journal as it is stored: what it carries, and its bytes.
#include <optional>
#include <string>
#include <vector>

namespace zip {

// One file of the installation (operating-system path and names).
struct JournalEntry {
  std::string target;  // relative to the journal's directory
  std::string temp;    // name of the new content in the target's directory
  std::string backup;  // name the old file moves to there; empty when there was none
  bool operator==(const JournalEntry&) const = default;
};

struct JournalRecord {
  bool moved = false;  // every file has taken its name
  std::string payload;
  std::vector<JournalEntry> entries;
  bool operator==(const JournalRecord&) const = default;
};

// A line naming the format, the state, then every text as its length, ":",
// its bytes and a line end (names may hold any byte), and a closing line.
std::string EncodeJournal(const JournalRecord& record);
// nullopt for anything that is not a whole journal.
std::optional<JournalRecord> DecodeJournal(const std::string& bytes);

}  // namespace zip
