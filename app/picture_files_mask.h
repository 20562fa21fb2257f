// The file list's mask: the pictures a user can pick are those some reader
// takes. The window's own mask ("*.bmp;*jpg;*.jpeg") stays as it is; every
// extension of a further format (format_registry.h) that it does not match
// is added, so a format added there shows in the list too.
#pragma once

#include <string>
#include <string_view>

namespace corvane {

// `baseMask` and "*<extension>" for each extension a reader takes that no
// pattern of it ("*" and a tail, any case) matches, joined by ";".
std::string PictureFilesMask(std::string_view baseMask);

}  // namespace corvane
