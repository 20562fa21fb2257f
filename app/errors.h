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

// An output that exists where the setting says to end the run rather than
// touch it: "ファイル %s は既に存在します".
class EOutputExists : public ECorvaneError {
public:
    explicit EOutputExists(const std::string& path)
        : ECorvaneError("ファイル " + path + " は既に存在します") {}
};

// The desktop trash could not take a file that was to be replaced.
class ETrashError : public ECorvaneError {
public:
    using ECorvaneError::ECorvaneError;
};

// An entry that needs more memory than the machine has available, refused
// before it takes any: "メモリが足りません: ..." with the amounts.
class EOutOfMemory : public ECorvaneError {
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
