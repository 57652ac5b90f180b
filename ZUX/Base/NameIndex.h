// Finding names ignoring case without comparing each name with every other:
// names are bucketed by a hash that agrees with SameText (it hashes the
// locale's upper-case form), and SameText still decides within a bucket. The
// index holds positions only; the caller's names stay where they are, and each
// call is given nameAt, which returns the name at a position it indexed.
#pragma once

#include "ZUX/Base/Locale.h"
#include "ZUX/Base/Strings.h"

#include <cstddef>
#include <unordered_map>

namespace ZUX {

// Names equal under SameText hash alike (the hash of the upper-case form;
// plain ASCII is upper-cased here, anything else through the locale seam).
size_t HashIgnoreCase(StringView name);

class TZUXNameIndex {
public:
    void Reserve(size_t count) { positions_.reserve(count); }
    void Clear() { positions_.clear(); }
    size_t Count() const { return positions_.size(); }

    // The position of the indexed name equal to name, or -1.
    template <typename NameAt> ptrdiff_t Find(StringView name, NameAt&& nameAt) const {
        return Find(name, HashIgnoreCase(name), nameAt);
    }

    // Indexes position under name unless an equal name is indexed already:
    // then returns that earlier position and indexes nothing; else -1.
    template <typename NameAt> ptrdiff_t Add(StringView name, size_t position, NameAt&& nameAt) {
        const size_t hash = HashIgnoreCase(name);
        const ptrdiff_t earlier = Find(name, hash, nameAt);
        if (earlier < 0) positions_.emplace(hash, position);
        return earlier;
    }

private:
    template <typename NameAt> ptrdiff_t Find(StringView name, size_t hash, NameAt& nameAt) const {
        const auto [first, last] = positions_.equal_range(hash);
        for (auto it = first; it != last; ++it)
            if (SameText(nameAt(it->second), name)) return ptrdiff_t(it->second);
        return -1;
    }

    std::unordered_multimap<size_t, size_t> positions_; // hash -> position
};

} // namespace ZUX
