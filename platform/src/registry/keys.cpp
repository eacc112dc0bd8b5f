// Platform layer - the registry's storage operations: one transaction per
// call over the key and value rows.
#include "keys.h"

namespace matrix::platform::registry {
namespace {

// Begins `txn`, the write transaction of a change below or to `key`, and
// marks the key written; ERROR_ACCESS_DENIED when the store is read-only.
LONG BeginChange(Store& s, Transaction& txn, std::int64_t key) {
  if (s.read_only) return ERROR_ACCESS_DENIED;
  LONG rc = txn.Begin();
  if (rc == ERROR_SUCCESS) rc = TouchKeyRow(s, key);
  return rc;
}

// The key at `levels` below `base` in `*target` and its parent in
// `*parent` (`base` itself for no levels).
LONG WalkDown(Store& s, std::int64_t base, const std::vector<Name>& levels,
              std::int64_t* parent, std::int64_t* target) {
  *parent = *target = base;
  for (const Name& level : levels) {
    ChildKey child;
    const LONG rc = FindChildKey(s, *target, level, &child);
    if (rc != ERROR_SUCCESS) return rc;
    *parent = *target;
    *target = child.id;
  }
  return ERROR_SUCCESS;
}

// One level of a created path: the child `level` of `*at`, made when it is
// missing; `*at` moves down to it.
LONG CreateLevel(Store& s, Transaction& txn, const Name& level,
                 const NewKeyOptions& options, std::int64_t now, ChildKey* at,
                 bool* created) {
  ChildKey child;
  LONG rc = FindChildKey(s, at->id, level, &child);
  if (rc == ERROR_SUCCESS) {
    *at = child;
    return ERROR_SUCCESS;
  }
  if (rc != ERROR_FILE_NOT_FOUND) return rc;
  if (s.read_only) return ERROR_ACCESS_DENIED;
  if (at->depth + 1 > kMaxDepth) return ERROR_INVALID_PARAMETER;
  if (at->is_volatile && !options.is_volatile)
    return ERROR_CHILD_MUST_BE_VOLATILE;
  txn.Changes(at->id);
  NewKey key;
  key.parent = at->id;
  key.name = &level;
  key.key_class = options.key_class;
  key.depth = at->depth + 1;
  key.is_volatile = options.is_volatile;
  key.written = now;
  rc = InsertKeyRow(s, key, &child.id);
  if (rc != ERROR_SUCCESS) return rc;
  child.depth = key.depth;
  child.is_volatile = key.is_volatile;
  *at = child;
  *created = true;
  return ERROR_SUCCESS;
}

// Commits `txn` when `rc` is ERROR_SUCCESS; else returns `rc` (rolled back).
LONG Finish(Transaction& txn, LONG rc) {
  return rc == ERROR_SUCCESS ? txn.Commit() : rc;
}

}  // namespace

LONG CheckKey(Store& s, std::int64_t key) {
  if (key == kRootKey) return ERROR_SUCCESS;
  KeyFacts facts;
  return ReadKeyFacts(s, key, &facts);
}

LONG CreateKeyPath(Store& s, std::int64_t base, const std::vector<Name>& levels,
                   const NewKeyOptions& options, std::int64_t* key,
                   bool* created) {
  *created = false;
  *key = base;
  if (levels.empty()) return CheckKey(s, base);
  // A read-only store may still open what is there.
  Transaction txn(s, !s.read_only);
  LONG rc = txn.Begin();
  KeyFacts facts;
  if (rc == ERROR_SUCCESS) rc = ReadKeyFacts(s, base, &facts);
  ChildKey at{base, facts.depth, facts.is_volatile};
  const std::int64_t now = NowFiletime();
  for (const Name& level : levels) {
    if (rc != ERROR_SUCCESS) break;
    rc = CreateLevel(s, txn, level, options, now, &at, created);
  }
  rc = Finish(txn, rc);
  if (rc == ERROR_SUCCESS) *key = at.id;
  return rc;
}

LONG OpenKeyPath(Store& s, std::int64_t base, const std::vector<Name>& levels,
                 std::int64_t* key) {
  std::int64_t parent = base;
  if (levels.size() <= 1 && base == kRootKey) {
    // One lookup needs no transaction of its own.
    return WalkDown(s, base, levels, &parent, key);
  }
  Transaction txn(s, false);
  LONG rc = txn.Begin();
  if (rc == ERROR_SUCCESS) rc = CheckKey(s, base);
  if (rc == ERROR_SUCCESS) rc = WalkDown(s, base, levels, &parent, key);
  return Finish(txn, rc);
}

LONG DeleteKeyPath(Store& s, std::int64_t base,
                   const std::vector<Name>& levels) {
  Transaction txn(s, true);
  std::int64_t parent = base, target = base;
  LONG rc = BeginChange(s, txn, base);
  if (rc == ERROR_SUCCESS) rc = WalkDown(s, base, levels, &parent, &target);
  if (rc != ERROR_SUCCESS) return rc;
  if (target == kRootKey) return ERROR_ACCESS_DENIED;  // a store's root stays
  txn.Changes(parent);
  txn.Changes(target);
  bool has_subkeys = false;
  rc = HasChildKey(s, target, &has_subkeys);
  if (rc == ERROR_SUCCESS && has_subkeys) rc = ERROR_ACCESS_DENIED;
  if (rc == ERROR_SUCCESS) rc = DeleteKeyRow(s, target);
  if (rc == ERROR_SUCCESS && parent != base) rc = TouchKeyRow(s, parent);
  return Finish(txn, rc);
}

LONG DeleteKeyTree(Store& s, std::int64_t base, const std::vector<Name>& levels,
                   bool keep_key, bool refuse_values) {
  Transaction txn(s, true);
  std::int64_t parent = base, target = base;
  LONG rc = BeginChange(s, txn, base);
  if (rc == ERROR_SUCCESS) rc = WalkDown(s, base, levels, &parent, &target);
  if (rc != ERROR_SUCCESS) return rc;
  if (!keep_key && target == kRootKey) return ERROR_ACCESS_DENIED;
  if (keep_key && refuse_values) {
    KeyCounts counts;
    rc = CountValues(s, target, false, &counts);
    if (rc == ERROR_SUCCESS && counts.values != 0) rc = ERROR_ACCESS_DENIED;
    if (rc != ERROR_SUCCESS) return rc;
  }
  txn.Changes(parent);
  txn.Changes(target);
  rc = DeleteSubtreeRows(s, target);
  if (rc == ERROR_SUCCESS) {
    rc = keep_key ? DeleteValueRows(s, target) : DeleteKeyRow(s, target);
  }
  if (rc == ERROR_SUCCESS && parent != base) rc = TouchKeyRow(s, parent);
  if (rc == ERROR_SUCCESS && keep_key && target != base)
    rc = TouchKeyRow(s, target);
  return Finish(txn, rc);
}

LONG GetValue(Store& s, std::int64_t key, const Name& name, ValueSink sink) {
  bool found = false;
  const LONG rc = ReadValueRow(
      s, key, name,
      [&found, &sink](DWORD type, const BYTE* bytes, std::size_t size) {
        found = true;
        return sink(type, bytes, size);
      });
  if (found || rc != ERROR_FILE_NOT_FOUND) return rc;
  const LONG gone = CheckKey(s, key);  // a missing value, or the key gone?
  return gone == ERROR_SUCCESS ? ERROR_FILE_NOT_FOUND : gone;
}

LONG SetValue(Store& s, std::int64_t key, const Name& name, DWORD type,
              const BYTE* data, std::size_t size) {
  Transaction txn(s, true);
  LONG rc = BeginChange(s, txn, key);
  if (rc != ERROR_SUCCESS) return rc;
  txn.Changes(key);
  return Finish(txn, WriteValueRow(s, key, name, type, data, size));
}

LONG DeleteValue(Store& s, std::int64_t key, const Name& name) {
  Transaction txn(s, true);
  LONG rc = BeginChange(s, txn, key);
  if (rc != ERROR_SUCCESS) return rc;
  txn.Changes(key);
  return Finish(txn, DeleteValueRow(s, key, name));
}

LONG DescribeKey(Store& s, std::int64_t key, const DescriptionWanted& wanted,
                 KeyDescription* out) {
  Transaction txn(s, false);
  LONG rc = txn.Begin();
  if (rc == ERROR_SUCCESS) rc = ReadKeyFacts(s, key, &out->facts);
  if (rc == ERROR_SUCCESS && (wanted.subkeys || wanted.subkey_lengths))
    rc = CountSubkeys(s, key, wanted.subkey_lengths, &out->counts);
  if (rc == ERROR_SUCCESS && (wanted.values || wanted.value_lengths))
    rc = CountValues(s, key, wanted.value_lengths, &out->counts);
  return Finish(txn, rc);
}

LONG FlushKey(Store& s, std::int64_t key) {
  const LONG rc = CheckKey(s, key);
  return rc == ERROR_SUCCESS ? Flush(s) : rc;
}

LONG IsKeyWithin(Store& s, std::int64_t outer, std::int64_t inner,
                 bool* within) {
  *within = false;
  Transaction txn(s, false);
  KeyFacts facts;
  LONG rc = txn.Begin();
  if (rc == ERROR_SUCCESS) rc = ReadKeyFacts(s, outer, &facts);
  if (rc == ERROR_SUCCESS) rc = ReadKeyFacts(s, inner, &facts);
  // Up from the inner key; a key's depth bounds the walk.
  std::int64_t k = inner;
  for (int steps = 0; rc == ERROR_SUCCESS && steps <= kMaxDepth + 1 && k != 0;
       ++steps) {
    if (k == outer) {
      *within = true;
      break;
    }
    rc = ParentOfKey(s, k, &k);
  }
  return Finish(txn, rc);
}

}  // namespace matrix::platform::registry
