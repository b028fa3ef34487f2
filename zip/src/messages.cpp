#include "zip/errors.h"

namespace zip {

namespace {

struct MessageEntry {
  int id;
  const char* text;
};

// The engine's only copy of its user-visible texts.
constexpr MessageEntry kMessages[] = {
    {176, "Open a Zip File"},
    {177, "Zip Files (*.ZIP)|*.zip|SFX Files (*.EXE)|*.exe|Jar Files (*.JAR)|*.jar|All Files (*.*)|*.*"},
    {178, "User canceled Set Desination Directory"},
    {179, "Index %d is out of range"},
    {181, "User Aborted Operation"},
    {182, "Incomplete Zip File"},
    {183, "Not a valid zip file!"},
    {184, "Please insert disk "},
    {185, " of the multi-disk set."},
    {186, "User canceled setting zip file name."},
    {187, "User canceled loading new disk."},
    {193, "*** inflate out of memory ***"},
    {194, "Premature end of file reached"},
    {196, "Replace existing file "},
    {197, "Unknown Compression Method"},
    {198, "Zip Error"},
    {199, "File is larger than uncompressed size!"},
    {200, "File Exists Alert"},
    {201, "Invalid compressed data"},
    {202, "No file name"},
    {203, "Unsupported Encryption Method"},
    {204, "Local header not found where the directory says"},
    {205, "Invalid zip file with overlapped components (possible zip bomb)"},
    {207, "Cant write uncompressed file"},
    {208, "%s is not a zip archive"},
    {209, "The central directory is damaged: the entries were found by their local headers"},
    {210, "A central directory record claims an extra field the archive does not hold"},
    {211, "The archive comment runs past the end of the file"},
    {212, "The central directory is damaged: it does not hold the number of entries its end record claims"},
};

}  // namespace

const char* LoadMessage(int id) {
  for (const MessageEntry& entry : kMessages)
    if (entry.id == id) return entry.text;
  return "";
}

}  // namespace zip
