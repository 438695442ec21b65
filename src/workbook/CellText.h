#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Turns a field's bytes into the text of its cell, as libxlsxwriter takes it (NUL-terminated
// UTF-8) and as a workbook can carry it:
// - bytes that are no valid UTF-8 become U+FFFD, and so do NUL (which would end the C text) and
//   the non-characters U+FFFE and U+FFFF (which XML does not allow); the other control
//   characters XML forbids are written by libxlsxwriter as Excel's "_xHHHH_" escapes;
// - a text that merely looks like such an escape ("_x0041_") gets its "_" escaped as "_x005F_",
//   so a reader shows it as it is instead of the character it names;
// - the text is cut to `limit` UTF-16 units (as Excel counts), escapes included, never within a
//   surrogate pair or an escape.
// `overflowed`: the field was longer than the bytes given, so it is cut in any case. Gives
// whether the text was cut; `out` receives the text.
bool MakeCellText(std::string_view field, bool overflowed, std::size_t limit, std::string& out);
