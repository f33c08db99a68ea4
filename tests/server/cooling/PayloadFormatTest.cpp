// The fan-control payload file checked against its header, and the variable made from it.
#include "PayloadFormat.h"

#include <gtest/gtest.h>

#include <string>

using namespace payload_format;

namespace {

using Bytes = std::vector<uint8_t>;

Bytes File(const std::string& signature, uint16_t length, size_t size, uint8_t major = 3, uint8_t minor = 7)
{
    Bytes file(signature.begin(), signature.end());
    file.push_back(major);
    file.push_back(minor);
    file.push_back(static_cast<uint8_t>(length));
    file.push_back(static_cast<uint8_t>(length >> 8));
    file.resize(size, 0xA5);
    return file;
}

FileCheck Check(const Bytes& file)
{
    FileHeader header;
    return CheckFile(file, header);
}

TEST(PayloadFormat, AFileIsAPayloadOnlyWithItsSignatureAWholeHeaderAndItsOwnSize)
{
    EXPECT_EQ(Check(File("CSFA", 8, 8)), FileCheck::Payload);
    EXPECT_EQ(Check(File("CSFA", 300, 300)), FileCheck::Payload);
    // Seven bytes: a payload whose header is cut short, or no payload at all.
    Bytes cut = File("CSFA", 8, 8);
    cut.pop_back();
    EXPECT_EQ(Check(cut), FileCheck::Truncated);
    EXPECT_EQ(Check(File("CSFB", 7, 7)), FileCheck::NotThisKind);
    EXPECT_EQ(Check(Bytes{'C', 'S', 'F', 'A'}), FileCheck::NotThisKind) << "four bytes cannot tell";
    EXPECT_EQ(Check(Bytes{}), FileCheck::NotThisKind);
    EXPECT_EQ(Check(File("CSFA", 301, 300)), FileCheck::SizeMismatch) << "one more than the size";
    EXPECT_EQ(Check(File("CSFA", 299, 300)), FileCheck::SizeMismatch);
    // A length field cannot name a file over 65,535 bytes.
    EXPECT_EQ(Check(File("CSFA", 0, 65536)), FileCheck::SizeMismatch);

    FileHeader header;
    ASSERT_EQ(CheckFile(File("CSFA", 300, 300, 2, 9), header), FileCheck::Payload);
    EXPECT_EQ(header.signature, kSignature);
    EXPECT_EQ(header.major, 2);
    EXPECT_EQ(header.minor, 9);
    EXPECT_EQ(header.length, 300);
}

TEST(PayloadFormat, TheVariableIsAFixedHeaderVersionOneZeroThenTheWholeFile)
{
    const Bytes file = File("CSFA", 8, 8, 4, 2);
    const Bytes variable = MakeVariable(file);
    ASSERT_EQ(variable.size(), 23u);
    EXPECT_EQ(Bytes(variable.begin(), variable.begin() + 15),
              (Bytes{0x43, 0x53, 0x46, 0x41, 0x0F, 0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00}))
        << "whatever version the file names";
    EXPECT_EQ(Bytes(variable.begin() + 15, variable.end()), file);
}

} // namespace
