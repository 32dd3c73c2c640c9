#pragma once
// Operations over whole subtrees: deep copy, merge and sorting. None of them
// recurses, so they work at any depth.

#include <cstdint>

#include "json/json_value.h"

namespace orvane {

// "first belongs after second" when the result is above 0.
using JsonCompare = int (*)(const JsonValue& first, const JsonValue& second,
                            std::int32_t userValue);

// An independent copy of `node` and everything below it, without parent or key.
JsonValueRef deepCopyJson(const JsonValue& node);

// Merges `incoming` into `target`. Two objects merge member by member: a
// member `target` has is merged the same way, one it lacks is copied in when
// `addMissing`, else skipped; the result is that of the last member merged
// (false when none was), and a failed member stops the merge. Otherwise a
// target that is an object member is replaced under its key by a copy of
// `incoming` (true); any other target stays and the result is false.
bool mergeJson(JsonValue& target, const JsonValue& incoming, bool addMissing);

// Sorts an object's member order by key (locale-aware, as wcscoll) or with
// the caller's comparison, in place, by an unstable quicksort with the median
// of first, middle and last as pivot. For an Array `sortJsonChildren` sorts
// the elements. False when the node is not a container of a suitable kind.
bool sortJsonMembers(JsonValue& object, bool descending);
bool sortJsonChildren(JsonValue& container, JsonCompare compare, std::int32_t userValue);

}  // namespace orvane
