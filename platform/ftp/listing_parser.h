#pragma once
// Turns the raw lines of a server listing into the parsed listing.
//
// Detailed (LIST) lines in two layouts:
//  - Unix "ls -l", as vsftpd, proftpd, pure-ftpd and pyftpdlib write it:
//      "-rw-r--r--   1 owner group   300000 Jan 05 10:22 Ostrel.exe"
//    the group column may be missing; the date is "Mmm dd hh:mm" (this year, or the previous
//    one when this year would put it more than one day after now) or "Mmm dd  yyyy" (00:00).
//    Servers whose listing comes from ls may also write the day first ("5 out 10:22"), the
//    month in Portuguese, Spanish, French, German or Italian, or ISO dates: "2024-01-05 10:22",
//    "2024-01-05 10:22:33.000000000 +0000" (the zone is not applied), "01-05 10:22" (year
//    inferred as above) or "2024-01-05". Names keep their inner spaces; a link
//    "name -> target" is listed under its name.
//  - MS-DOS / IIS: "01-05-24  10:22AM       <DIR>          Dll" or
//    "03-15-19  12:00PM               300000 Ostrel.exe"; two-digit years below 70 are 20xx.
// Dates are kept as the server lists them, with no time-zone correction. "total" lines, blank
// lines, "." and "..", and lines of no known layout are left out.
//
// Names-only (NLST) lines: every non-blank line but "." and ".." (pure-ftpd lists them) is one
// name, with date 0.
#include <string_view>

#include "platform/base/datetime.h"
#include "platform/base/text.h"
#include "platform/ftp/listing.h"

namespace vorlane::ftp {

// The lines of a listing's bytes: split at line feeds, a carriage return before one removed;
// empty lines kept for a detailed listing only.
StringList ListingLines(std::string_view text, bool details);

// One detailed line; false when the line is not a listing item.
bool ParseListingLine(std::string_view line, DateTime now, ListingItem& item);

Listing ParseListing(const StringList& lines, bool details, DateTime now);

}  // namespace vorlane::ftp
