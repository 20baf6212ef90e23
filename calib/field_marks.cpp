#include "calib/field_marks.h"

#include <cstring>

namespace {

constexpr std::size_t kBitsPerWord = 64;

// Sets the bits of bytes first to first + bytes - 1, a word of bits at a time.
void MarkRange(std::uint64_t* bits, std::size_t first, std::size_t bytes) {
    std::size_t byte = first;
    const std::size_t end = first + bytes;
    while (byte < end) {
        const std::size_t offset = byte % kBitsPerWord;
        const std::size_t count = end - byte < kBitsPerWord - offset ? end - byte : kBitsPerWord - offset;
        const std::uint64_t run =
            count == kBitsPerWord ? ~std::uint64_t{0} : ((std::uint64_t{1} << count) - 1);
        bits[byte / kBitsPerWord] |= run << offset;
        byte += count;
    }
}

// Copies the marked bytes of from (size bytes) to to: whole words of 64
// marked bytes at once, single bytes where a word is marked in part.
void CopyMarked(const std::uint64_t* bits, const unsigned char* from, unsigned char* to, std::size_t size) {
    for (std::size_t word = 0; word * kBitsPerWord < size; ++word) {
        const std::uint64_t marked = bits[word];
        if (marked == 0) continue;
        const std::size_t start = word * kBitsPerWord;
        const std::size_t end = start + kBitsPerWord < size ? start + kBitsPerWord : size;
        if (marked == ~std::uint64_t{0} && end - start == kBitsPerWord) {
            std::memcpy(to + start, from + start, kBitsPerWord);
            continue;
        }
        for (std::size_t byte = start; byte < end; ++byte) {
            if ((marked >> (byte - start)) & 1) to[byte] = from[byte];
        }
    }
}

}  // namespace

void ClearFieldMarks(FieldMarks& marks, const CalibrationRecord& record, const SiteRecord& site) {
    marks.record_base = reinterpret_cast<const unsigned char*>(&record);
    marks.site_base = reinterpret_cast<const unsigned char*>(&site);
    std::memset(marks.record_bits, 0, sizeof marks.record_bits);
    std::memset(marks.site_bits, 0, sizeof marks.site_bits);
}

void MarkStoredBytes(FieldMarks& marks, const void* first, std::size_t bytes) {
    const unsigned char* const byte = static_cast<const unsigned char*>(first);
    // Compared as addresses, so that a value elsewhere is recognised safely.
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(byte);
    const std::uintptr_t record = reinterpret_cast<std::uintptr_t>(marks.record_base);
    const std::uintptr_t site = reinterpret_cast<std::uintptr_t>(marks.site_base);
    if (address >= record && address + bytes <= record + sizeof(CalibrationRecord)) {
        MarkRange(marks.record_bits, address - record, bytes);
    } else if (address >= site && address + bytes <= site + sizeof(SiteRecord)) {
        MarkRange(marks.site_bits, address - site, bytes);
    }
}

bool IsFieldMarked(const FieldMarks& marks, const void* field) {
    const std::uintptr_t address = reinterpret_cast<std::uintptr_t>(field);
    const std::uintptr_t record = reinterpret_cast<std::uintptr_t>(marks.record_base);
    const std::uintptr_t site = reinterpret_cast<std::uintptr_t>(marks.site_base);
    if (address >= record && address < record + sizeof(CalibrationRecord)) {
        const std::size_t byte = address - record;
        return (marks.record_bits[byte / kBitsPerWord] >> (byte % kBitsPerWord)) & 1;
    }
    if (address >= site && address < site + sizeof(SiteRecord)) {
        const std::size_t byte = address - site;
        return (marks.site_bits[byte / kBitsPerWord] >> (byte % kBitsPerWord)) & 1;
    }
    return false;
}

void CopyMarkedBytes(const FieldMarks& marks, CalibrationRecord& to_record, SiteRecord& to_site) {
    CopyMarked(marks.record_bits, marks.record_base, reinterpret_cast<unsigned char*>(&to_record),
               sizeof(CalibrationRecord));
    CopyMarked(marks.site_bits, marks.site_base, reinterpret_cast<unsigned char*>(&to_site),
               sizeof(SiteRecord));
}
