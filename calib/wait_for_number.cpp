#include "calib/wait_for_number.h"

#include <cctype>
#include <cstdio>

void WaitForNumber() {
    std::fflush(stdout);
    int c = std::getchar();
    while (c != EOF && std::isspace(c)) c = std::getchar();
    if (c == '+' || c == '-') c = std::getchar();
    while (c != EOF && std::isdigit(c)) c = std::getchar();
    // Leave the character after the number unread, as a formatted read would.
    if (c != EOF) std::ungetc(c, stdin);
}
