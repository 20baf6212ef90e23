// WaitForNumber: wait until the operator has entered a number on the console.
#ifndef CALIB_WAIT_FOR_NUMBER_H
#define CALIB_WAIT_FOR_NUMBER_H

// Flushes standard output, then reads one optionally signed decimal integer
// from standard input (white space before it is skipped) and discards it.
// The wait also ends at the end of input or at a character that cannot be
// part of the number; nothing is stored, so no value can overflow.
void WaitForNumber();

#endif  // CALIB_WAIT_FOR_NUMBER_H
