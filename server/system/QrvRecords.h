// The records of the firmware's data variable "QrvDataVar": a series of records, each a
// 32-bit version and a 32-bit length (these 8 bytes included), the next following by the
// length. Plain C++ over a byte span without Windows headers.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>
#include <vector>

constexpr size_t QRV_RECORD_HEADER_SIZE = 8;
// Record 2 marks a mobile platform; desktop boards carry none.
constexpr uint32_t QRV_RECORD_MOBILE = 2;
constexpr uint32_t QRV_RECORD_EQ_VAR_VAL = 3;
constexpr uint32_t QRV_RECORD_DO_NOT_SHOW = 4;

enum class QrvFind { Found, Absent, Malformed };

// The whole record of `version` (header included). A record length below 8 or past the
// variable ends the search as Malformed, with `problem` saying where.
QrvFind FindQrvRecord(std::span<const uint8_t> variable, uint32_t version, std::span<const uint8_t>& record,
    std::string& problem);

// Record 3: pairs of 16-bit variable id and 16-bit value.
std::vector<std::pair<uint16_t, uint16_t>> ReadEqVarPairs(std::span<const uint8_t> record);

// Record 4: a 16-bit count, then that many 16-bit UQIs; false when the count does not fit.
bool ReadDoNotShowUqis(std::span<const uint8_t> record, std::vector<uint16_t>& uqis, std::string& problem);
