// Platform layer - enumeration read-ahead over the registry's rows.
#include "read_ahead.h"

#include <algorithm>

#include "keys.h"

namespace matrix::platform::registry {
namespace {

// A read-ahead resumes after the last entry read. It doubles while the
// store stays unchanged and shrinks to one entry when it changes, so that a
// walk interleaved with writes (a copy) does not read ahead entries it must
// read again.
constexpr int kMostEntries = 64;
constexpr std::size_t kMostBytes = 256 * 1024;

LONG ReadPage(Store& s, std::int64_t key, const SubkeyEntry* after, DWORD index,
              int limit, std::vector<SubkeyEntry>* page, bool* end) {
  return ReadSubkeyPage(s, key, after, index, limit, page, end);
}

LONG ReadPage(Store& s, std::int64_t key, const ValueEntry* after, DWORD index,
              int limit, std::vector<ValueEntry>* page, bool* end) {
  return ReadValuePage(s, key, after, index, limit, kMostBytes, page, end);
}

// Reads into `ahead` the entries of `key` from `index` on, in one read
// transaction, resuming after the entries already held when that is where
// `index` lies.
template <class Entry>
LONG Refill(Store& s, std::int64_t key, DWORD index, ReadAhead<Entry>& ahead) {
  // The state is taken first: a commit after it only makes the entries
  // newer than it says, which the next call notices.
  StoreGeneration now;
  LONG rc = ReadGeneration(s, &now);
  Transaction txn(s, false);
  if (rc == ERROR_SUCCESS) rc = txn.Begin();
  if (rc == ERROR_SUCCESS) rc = CheckKey(s, key);
  if (rc != ERROR_SUCCESS) return rc;
  // Resuming after the last entry read is exact while this process has not
  // changed the key since (changes by others race with any walk anyway).
  const auto found = s.key_writes.find(key);
  const std::uint64_t own = found == s.key_writes.end() ? 0 : found->second;
  const bool changed = !ahead.valid || !(ahead.generation == now);
  const bool resume = ahead.valid && !ahead.entries.empty() &&
                      index == ahead.first + ahead.entries.size() &&
                      (!changed || ahead.key_writes == own);
  ahead.limit = changed  ? 1
                : resume ? std::min(2 * ahead.limit, kMostEntries)
                         : ahead.limit;
  ahead.key_writes = own;
  ahead.valid = false;
  std::vector<Entry> page;
  bool end = false;
  rc = ReadPage(s, key, resume ? &ahead.entries.back() : nullptr, index,
                ahead.limit, &page, &end);
  if (rc == ERROR_SUCCESS) rc = txn.Commit();
  if (rc != ERROR_SUCCESS) return rc;
  ahead.entries = std::move(page);
  ahead.first = index;
  ahead.end = end;
  ahead.generation = now;
  ahead.valid = true;
  return ERROR_SUCCESS;
}

// Serves entry `index` from `ahead`, refilling it when the store has
// changed or the index lies outside it.
template <class Entry>
LONG EntryAt(Store& s, std::int64_t key, DWORD index, ReadAhead<Entry>& ahead,
             const Entry** entry) {
  StoreGeneration now;
  LONG rc = ReadGeneration(s, &now);
  if (rc != ERROR_SUCCESS) return rc;
  const bool fresh = ahead.valid && ahead.generation == now;
  const auto held = static_cast<DWORD>(ahead.entries.size());
  if (fresh && index >= ahead.first && index - ahead.first < held) {
    *entry = &ahead.entries[index - ahead.first];
    return ERROR_SUCCESS;
  }
  if (fresh && ahead.end && index >= ahead.first) return ERROR_NO_MORE_ITEMS;
  rc = Refill(s, key, index, ahead);
  if (rc != ERROR_SUCCESS) return rc;
  if (ahead.entries.empty()) return ERROR_NO_MORE_ITEMS;
  *entry = &ahead.entries[0];
  return ERROR_SUCCESS;
}

}  // namespace

LONG SubkeyAt(Store& s, std::int64_t key, DWORD index,
              ReadAhead<SubkeyEntry>& ahead, const SubkeyEntry** entry) {
  return EntryAt(s, key, index, ahead, entry);
}

LONG ValueAt(Store& s, std::int64_t key, DWORD index,
             ReadAhead<ValueEntry>& ahead, const ValueEntry** entry) {
  return EntryAt(s, key, index, ahead, entry);
}

}  // namespace matrix::platform::registry
