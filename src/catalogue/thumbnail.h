#pragma once

#include "liveries/jpeg_image.h"
#include "liveries/livery_view.h"

#include <functional>
#include <string>

namespace sw::catalogue {

// Which trace lines a thumbnail fetch writes: the full trail of the catalogue button, one
// line before each read of the body (a product change), or one line after the last read (a
// livery change).
enum class ThumbnailTrace { Detailed, BeforeEachRead, AfterLastRead };

// The file name a URL's file is kept under (a thumbnail in `images`, a package in `tempzip`):
// the text after the URL's last "/", without its query or fragment. Empty when that leaves
// nothing a file can be named (".", ".." or nothing), so a URL can never name a file outside
// the folder it is written to.
std::string urlFileName(const std::string& url);

// Fetches the thumbnail at `url` (always from the server) into <startFolder>/images/<name>,
// decodes it and deletes the file again. Whatever body arrives is written, whatever the
// status; a body that is not a picture, an empty URL, or a transfer that fails, gives the
// default picture <startFolder>/thumbnail.jpg. Errors writing the file (IoError) and a
// default picture that cannot be loaded (IoError, PictureError) end the caller.
// The fetch has WinINet's time-outs (60 s to connect, 30 s between received bytes); while it
// waits, `wait` runs at least every 50 ms (the window's message pump), and its false ends the
// fetch as a failed one.
liveries::RgbImage ShowThumbnail(const std::string& url, const std::string& startFolder, ThumbnailTrace trace,
                                 const liveries::Trace& log, const std::function<bool()>& wait = {});

} // namespace sw::catalogue
