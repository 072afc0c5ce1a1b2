// What one metafile record draws: the points of its lines and shapes, the
// characters of its text and the pixels of the bitmaps it holds, added to a
// running count. A record whose counts do not fit inside it is not valid.
#pragma once

#include "display/pictures/MetafileChecks.h"

namespace kovex {

// `record` is the whole record, its type and size first ([MS-EMF] 2.3).
bool CountEnhancedRecord(PictureBytes record, MetafileContent& content);

// `record` is the whole record, its size in words and function first
// ([MS-WMF] 2.3). libwmf's SVG output leaves bitmaps out, but libwmf still
// decodes each one whole, at 4 bytes a pixel, so they are counted.
bool CountWindowsRecord(PictureBytes record, MetafileContent& content);

}  // namespace kovex
