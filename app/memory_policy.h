// How a batch process keeps freed memory. On these machines the kernel's
// first touch of freshly mapped pages costs more than decoding into them, so
// blocks freed by one entry (libjpeg's buffers, encoded streams) stay in the
// heap for the next instead of going back to the system; pixel memory has its
// own cache (imaging/pixel_buffer.h). Only free memory is kept, never a picture.
#pragma once

namespace corvane {

// Call once at the start of a program that converts many pictures.
void KeepFreedMemoryForBatch();

}  // namespace corvane
