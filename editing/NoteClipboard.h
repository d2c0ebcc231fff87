#pragma once

#include "core/Note.h"

#include <vector>

namespace zelk
{
// A copied note: `start` is relative to the earliest copied note and `next` still names a
// source slot, so a paste can rebuild the connections inside the copied group.
struct ClipboardEntry
{
    int sourceSlot = -1;
    Note note;
};

// One clipboard for the whole process, shared by every instance of the plug-in that the host
// has loaded, so notes copied in one can be pasted in another. Every instance uses it from the
// host's single message thread, which is why it needs no lock.
std::vector<ClipboardEntry>& noteClipboard();

} // namespace zelk
