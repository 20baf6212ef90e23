// RunSummaryProgram: the whole run of Norv_CalSummary, from the banner to the
// closing key press.
#ifndef APP_SUMMARY_PROGRAM_H
#define APP_SUMMARY_PROGRAM_H

// Given the number of worker threads to summarize with (1: one thread does
// everything), prints the banner, asks for the folder, makes its Summary
// sub-folder, lists the CAL files, writes every camera's tables, prints the
// closing message and waits for a key. Ends the process with status 1 on
// every path, the normal end included; failures end it earlier with their
// messages.
[[noreturn]] void RunSummaryProgram(int worker_count);

#endif  // APP_SUMMARY_PROGRAM_H
