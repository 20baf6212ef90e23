// RemoveLeftoverTables: the files of tables that runs killed part way through
// a camera left in a Summary folder.
#ifndef APP_LEFTOVER_TABLES_H
#define APP_LEFTOVER_TABLES_H

#include <string_view>

// RemoveLeftoverTables
// Given the folder path (ending with its separator), removes from its Summary
// sub-folder every file of a table not yet put in place (named as
// TemporaryTableProcess tells) whose process no longer runs, and says so on
// standard error, one line a file: " Removed leftover table file <path> of
// ended process <number> \n". A camera's earlier table that such a run had
// moved aside (EarlierTableProcess) is put back at its name when the run
// ended before the new pair was in place (its name is empty, or the new file
// of the pair's other table is still there), and removed otherwise. Files
// whose process still runs (another run may be writing its tables there
// now) and every other entry stay as they are.
// Quiet when there is nothing to remove or the folder cannot be listed. Never
// ends the process.
void RemoveLeftoverTables(std::string_view folder);

#endif  // APP_LEFTOVER_TABLES_H
