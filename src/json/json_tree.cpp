#include "json/json_tree.h"

#include <cwchar>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "json/json_list.h"

namespace orvane {
namespace {

// Unstable quicksort with the median of first, middle and last as pivot and
// an explicit stack (smaller part first, so the stack stays logarithmic).
// `after(a, b)` tells that a belongs after b. Every scan is bounded by its
// range, so a comparison that contradicts itself yields some order but never
// reads outside the array or loops forever.
template <typename T, typename After>
void quickSort(T* items, std::int32_t count, After after) {
  struct Range {
    std::int32_t lo;
    std::int32_t hi;  // inclusive
  };
  if (count < 2) return;
  std::vector<Range> pending;
  pending.push_back({0, count - 1});
  while (!pending.empty()) {
    Range range = pending.back();
    pending.pop_back();
    while (range.lo < range.hi) {
      const std::int32_t lo = range.lo;
      const std::int32_t hi = range.hi;
      const std::int32_t mid = lo + (hi - lo) / 2;
      if (after(items[lo], items[mid])) std::swap(items[lo], items[mid]);
      if (after(items[mid], items[hi])) std::swap(items[mid], items[hi]);
      if (after(items[lo], items[mid])) std::swap(items[lo], items[mid]);
      if (hi - lo < 3) break;  // three or fewer: ordered by the median step
      const T pivot = items[mid];
      std::int32_t i = lo - 1;
      std::int32_t j = hi + 1;
      while (true) {
        do ++i;
        while (i < hi && after(pivot, items[i]));
        do --j;
        while (j > lo && after(items[j], pivot));
        if (i >= j) break;
        std::swap(items[i], items[j]);
      }
      if (j >= hi) j = hi - 1;  // only an inconsistent comparison gets here
      if (j < lo) j = lo;
      Range left{lo, j};
      Range right{j + 1, hi};
      if (left.hi - left.lo < right.hi - right.lo) std::swap(left, right);
      pending.push_back(left);  // the larger part waits
      range = right;
    }
  }
}

std::wstring toWide(std::u16string_view key) {
  std::wstring wide;
  wide.reserve(key.size());
  if constexpr (sizeof(wchar_t) == 2) {
    for (const char16_t c : key) wide.push_back(static_cast<wchar_t>(c));
  } else {
    for (std::size_t k = 0; k < key.size(); ++k) {
      char32_t cp = key[k];
      if (cp >= 0xD800 && cp <= 0xDBFF && k + 1 < key.size() && key[k + 1] >= 0xDC00 &&
          key[k + 1] <= 0xDFFF) {
        cp = 0x10000 + ((cp - 0xD800) << 10) + (key[k + 1] - 0xDC00);
        ++k;
      }
      wide.push_back(static_cast<wchar_t>(cp));
    }
  }
  return wide;
}

bool replaceInParent(JsonValue& target, const JsonValue& incoming) {
  JsonValue* parent = target.parent();
  if (parent == nullptr || parent->kind() != JsonKind::Object) return false;
  JsonValueRef copy = deepCopyJson(incoming);
  parent->storeMember(std::u16string(target.key()), target.keyHash(), copy.get());
  copy.release();
  return true;
}

}  // namespace

JsonValueRef deepCopyJson(const JsonValue& node) {
  JsonValueRef root(node.cloneShallow());
  struct Frame {
    const JsonValue* from;
    JsonValue* to;
    std::int32_t next;
  };
  std::vector<Frame> stack;
  if (node.isContainer()) stack.push_back({&node, root.get(), 0});
  while (!stack.empty()) {
    Frame& frame = stack.back();
    if (frame.next >= frame.from->count()) {
      stack.pop_back();
      continue;
    }
    const JsonValue* child = frame.from->childAt(frame.next++);
    JsonValueRef copy(child->cloneShallow());
    JsonValue* to = frame.to;
    if (to->kind() == JsonKind::Object) {
      // Keys of one object are distinct: no lookup needed.
      to->appendNewMember(std::u16string(child->key()), child->keyHash(), copy.get());
    } else {
      to->appendElement(copy.get());
    }
    JsonValue* placed = copy.release();
    if (child->isContainer()) stack.push_back({child, placed, 0});
  }
  return root;
}

bool mergeJson(JsonValue& target, const JsonValue& incoming, bool addMissing) {
  if (target.kind() != JsonKind::Object || incoming.kind() != JsonKind::Object) {
    return replaceInParent(target, incoming);
  }
  struct Frame {
    JsonValue* target;
    const JsonValue* incoming;
    std::int32_t next;
    bool result;
  };
  std::vector<Frame> stack;
  stack.push_back({&target, &incoming, 0, false});
  while (true) {
    Frame& frame = stack.back();
    if (frame.next < frame.incoming->count()) {
      const JsonValue* member = frame.incoming->childAt(frame.next++);
      JsonValue* existing = frame.target->member(member->key());
      if (existing != nullptr) {
        if (existing->kind() == JsonKind::Object && member->kind() == JsonKind::Object) {
          stack.push_back({existing, member, 0, false});
          continue;
        }
        frame.result = replaceInParent(*existing, *member);
      } else if (addMissing) {
        JsonValueRef copy = deepCopyJson(*member);
        frame.target->appendNewMember(std::u16string(member->key()), member->keyHash(), copy.get());
        copy.release();
        frame.result = true;
      }
      continue;
    }
    const bool result = frame.result;
    stack.pop_back();
    if (stack.empty()) return result;
    if (!result) return false;  // a failed member stops the merge at every level
    stack.back().result = true;
  }
}

bool sortJsonMembers(JsonValue& object, bool descending) {
  if (object.kind() != JsonKind::Object) return false;
  JsonList* order = object.mutableOrder();
  const std::int32_t count = order->count();
  std::vector<std::wstring> keys;
  keys.reserve(static_cast<std::size_t>(count));
  for (JsonValue* member : *order) keys.push_back(toWide(member->key()));
  const auto compareKeys = [&](std::int32_t a, std::int32_t b) {
    int result = std::wcscoll(keys[static_cast<std::size_t>(a)].c_str(),
                              keys[static_cast<std::size_t>(b)].c_str());
    if (result == 0) {  // collation ties (or embedded NULs): fall back to code units
      const std::u16string_view ka = order->at(a)->key();
      const std::u16string_view kb = order->at(b)->key();
      result = ka.compare(kb);
    }
    return result;
  };
  std::vector<std::int32_t> permutation(static_cast<std::size_t>(count));
  std::iota(permutation.begin(), permutation.end(), 0);
  quickSort(permutation.data(), count, [&](std::int32_t a, std::int32_t b) {
    const int result = compareKeys(a, b);
    return descending ? result < 0 : result > 0;
  });
  std::vector<JsonValue*> sorted;
  sorted.reserve(static_cast<std::size_t>(count));
  for (const std::int32_t index : permutation) sorted.push_back(order->at(index));
  for (std::int32_t k = 0; k < count; ++k) order->data()[k] = sorted[static_cast<std::size_t>(k)];
  order->renumber();
  return true;
}

bool sortJsonChildren(JsonValue& container, JsonCompare compare, std::int32_t userValue) {
  if (!container.isContainer() || compare == nullptr) return false;
  JsonList* order = container.mutableOrder();
  quickSort(order->data(), order->count(),
            [&](const JsonValue* a, const JsonValue* b) { return compare(*a, *b, userValue) > 0; });
  order->renumber();
  return true;
}

}  // namespace orvane
