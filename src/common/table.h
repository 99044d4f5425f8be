// Searching the static tables: the one way every table of the tool is
// looked up.
#pragma once

#include <cstddef>

namespace tagdelve {

// The first row of `table` that `match` accepts, or nullptr when none does.
template <class Row, size_t N, class Match>
const Row* find_row(const Row (&table)[N], Match match) {
  for (const Row& row : table)
    if (match(row)) return &row;
  return nullptr;
}

}  // namespace tagdelve
