// Failures of the batch layer that the lower layers do not know.
#pragma once

#include <string>

#include "imaging/errors.h"

namespace corvane {

// A conversion setting outside the range its control allows, found when a
// run starts: the run is refused before any entry is touched.
class ESettingsError : public ECorvaneError {
public:
    using ECorvaneError::ECorvaneError;
};

// A path that cannot be written into a batch list entry (it holds CR or LF,
// which would split the entry over two lines of a list file).
class EEntryError : public ECorvaneError {
public:
    using ECorvaneError::ECorvaneError;
};

// A picture whose declared size is beyond what can be read, held or
// written, refused before it is decoded; the message names the file, the
// size and the limit.
class ELimitError : public ECorvaneError {
public:
    using ECorvaneError::ECorvaneError;
};

}  // namespace corvane
