// The image transforms: tone and gamma, turning and mirroring, and both in
// one pass. Each returns a new bitmap owned by the caller.
#pragma once

#include "imaging/rotate.h"
#include "imaging/rotate_tone_gamma.h"
#include "imaging/tone_gamma.h"
