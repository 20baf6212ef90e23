// The calibration file listing: the folder's CAL files and their cameras.
#ifndef APP_LISTING_H
#define APP_LISTING_H

#include <string_view>

#include "calib/cal_record.h"

// A listing line is cut to this many characters before it is used.
constexpr int kListingNameMaxChars = 30;
// Room of a cut listing line, terminator included.
constexpr int kListingCutRoom = kListingNameMaxChars + 1;
// Room of one stored name, terminator included.
constexpr int kNameSlotRoom = 256;

// The distinct camera numbers in order of first appearance in the listing.
struct CameraList {
    int cameras[kMaxCameras];
    int count;
};

// The listing entries, one per listing read whose camera could be parsed, in
// listing order, as parallel arrays of exactly entry_count elements: names[i]
// is the read cut to 30 characters and cameras[i] its camera number.
// The cut at 30 characters is what removes the line end of a standard
// 30-character name (CALnnn_YYYYMMDD_HHMMSS_mmm.txt). A shorter read keeps its
// line feed in names[i]; that is the defined behaviour, not a slip: such a
// name cannot be opened, and the run ends with the reader's message naming it
// (line feed included) when its camera is summarized.
struct ListingEntries {
    int entry_count;
    char (*names)[kNameSlotRoom];
    int* cameras;
};

// Given the folder path (ending with its separator), lists the folder's CAL
// files and fills entries and camera_list. The arrays are allocated once at
// their exact size; FreeListing releases them.
// Ends the process with status 1 (after a message and a wait for one
// character) when the folder cannot be listed, an array cannot be allocated,
// or the listing holds more than kMaxCameras (999) distinct cameras.
void ListCALfiles(std::string_view folder, ListingEntries& entries, CameraList& camera_list);

// Given listing entries, frees their arrays and leaves them empty.
void FreeListing(ListingEntries& entries);

// The steps of ListCALfiles, open to tests.

// Given listing text and a read position, copies the first 30 characters of
// the next line, line feed included when the line is shorter, into cut
// (terminated), and advances position past the whole line however long it
// is: one line is one name. Returns false when the text is used up.
bool ReadListingLine(std::string_view text, size_t& position, char (&cut)[kListingCutRoom]);

// Given a cut listing read, parses it as "CAL%3d_%s" does: upper-case "CAL",
// white space skipped, then an optionally signed integer of at most three
// characters. Returns true with camera set, or false when no number follows.
bool ParseListingCamera(const char* cut_read, int& camera);

// First pass: given the listing text, counts the entries and builds the
// camera list. Ends the process with status 1 (after a message and a wait for
// one character) at a 1000th distinct camera, before the list is written.
void ListingFirstPass(std::string_view text, int& entry_count, CameraList& camera_list);

// Second pass: given the listing text and entries whose arrays hold at least
// the first pass's entry count, fills names and cameras and sets entry_count.
void ListingSecondPass(std::string_view text, ListingEntries& entries);

#endif  // APP_LISTING_H
