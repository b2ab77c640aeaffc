#pragma once
// The OpenType or TrueType file of a family, where fontconfig also offers it as a Type 1 file.
// Debian's URW fonts (Nimbus Sans, Nimbus Roman, Nimbus Mono PS: fontconfig's stand-ins for
// Helvetica, Times and Courier) come in both forms, and Qt may open the Type 1 file, which has
// no line gap: its lines come out 15 % taller than the OpenType file's, and than LibreOffice's,
// which does not read Type 1 at all.
#include <QString>
#include <optional>

namespace inkwend {

struct FontFile {
  QString path;
  int index = 0;  // the face within a collection file
};

// The best OpenType/TrueType match of the family and style, when fontconfig's best match of
// any format belongs to the same family; empty otherwise.
std::optional<FontFile> SfntFileFor(const QString& family, bool bold, bool italic);

}  // namespace inkwend
