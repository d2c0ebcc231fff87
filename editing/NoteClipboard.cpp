#include "editing/NoteClipboard.h"

namespace zelk
{
std::vector<ClipboardEntry>& noteClipboard()
{
    static std::vector<ClipboardEntry> entries;
    return entries;
}

} // namespace zelk
