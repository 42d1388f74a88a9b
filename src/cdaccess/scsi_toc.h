#pragma once

#include <cstdint>
#include <span>

#include "cdaccess/disc_table.h"

namespace ps {

// Turns a READ TOC answer (LBA form, format 0) into the disc table. A table with no
// tracks, a first track of 0 or after the last, more than 99 tracks, a start below 0,
// starts that do not increase up to the lead-out, or descriptors past the end of the
// answer give the empty table and false.
bool parseToc(std::span<const std::uint8_t> answer, DiscTable& table);

// The cleared table: first track 1, last track 0, no sectors.
DiscTable emptyDiscTable();

}  // namespace ps
