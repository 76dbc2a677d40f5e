#include "orvdll/lockmantle.h"
#include "basic_random.h"
#include "lockmantle_key.h"
#include "platform/runtime_error.h"
#include "support/file_contents.h"
#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>

namespace {

using tornel::test::readFile;
using tornel::test::TempFolder;
using tornel::test::writeFile;

std::string fromHex(std::string_view hex) {
    std::string bytes;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16));
    }
    return bytes;
}

// Bytes i mod 251, so no two chunks of a file look alike.
std::string pattern(size_t length) {
    std::string bytes(length, '\0');
    for (size_t i = 0; i < length; ++i) {
        bytes[i] = static_cast<char>(i % 251);
    }
    return bytes;
}

// The number of the RuntimeError that `call` throws, or 0.
int thrownNumber(const std::function<void()>& call) {
    try {
        call();
    } catch (const platform::RuntimeError& error) {
        return error.number();
    }
    return 0;
}

// "c1 R2 R3 c2 …": where each key byte comes from.
std::string describe(const std::vector<orv::KeySlot>& layout) {
    std::string text;
    for (const orv::KeySlot& slot : layout) {
        text += (text.empty() ? "" : " ") + std::string(slot.fromPassword ? "c" : "R") +
                std::to_string(slot.index);
    }
    return text;
}

}  // namespace

TEST(BasicRandom, RestartFixesTheStateAndSeedingMixesTheNumberIn) {
    orv::BasicRandom random;
    EXPECT_EQ(random.state(), 0x50000U);
    random.next();
    EXPECT_FLOAT_EQ(random.restart(-1.0f), 8388799.0f / 16777216.0f);
    EXPECT_EQ(random.state(), 0x8000BFU);  // whatever came before
    random.seed(294.0);
    EXPECT_EQ(random.state(), 0x2072BFU);
    EXPECT_EQ(random.next(), 0xA00286 / 16777216.0f);
    EXPECT_FLOAT_EQ(random.next(), 0.98900133f);
    random.next();
    EXPECT_EQ(random.state(), 0xC21530U);
}

TEST(LockmantleKey, PasswordCharactersStandAmongRandomBytes) {
    const struct {
        int64_t dataLength;
        int64_t passwordLength;
        std::string layout;
    } cases[] = {
        {10, 3, "c1 R2 R3 c2 R5 R6 c3 R8 R9 R10"},
        {6, 3, "c1 R2 c2 c3 c3"},
        {4, 3, "c1 c1 c1 c1"},
        {5, 3, "c1 c2 c3 R4 R5"},
        {3, 3, "c1 c2 c3"},
        {2, 3, ""},
        {6, 5, "c1 c1 c1 c1 c1 c1"},  // one byte longer than the password
    };
    for (const auto& c : cases) {
        EXPECT_EQ(describe(orv::keyLayout(c.dataLength, c.passwordLength)), c.layout)
            << c.dataLength << " bytes, password of " << c.passwordLength;
    }

    const auto cutShort = orv::keyLayout(513, 256);
    ASSERT_EQ(cutShort.size(), 511U);
    EXPECT_EQ(describe({cutShort.end() - 6, cutShort.end()}), "R506 c254 R508 c255 c256 c256");
    EXPECT_EQ(orv::keyLayout(600, 511), std::vector<orv::KeySlot>(512, {true, 1}));
    EXPECT_EQ(orv::makeKey(10, "abc"), fromHex("61FCC162C9666351D192"));
}

TEST(Lockmantle, VectorsThatDoNotDependOnTheGenerator) {
    orv::cLockmantle lockmantle;
    // As long as the password: the key is the password.
    EXPECT_EQ(lockmantle.EncryptData("xyz", "abc"),
              fromHex("191B1B270B0D07240C02070520182E0E010A0F000C150E04"));
    // One byte longer: the first character repeated.
    EXPECT_EQ(lockmantle.EncryptData("wxyz", "abc"),
              fromHex("1619181B27080D04240F02040523182D0E020A0C000F150D04"));
}

TEST(Lockmantle, VectorsUnderTheGenerator) {
    orv::cLockmantle lockmantle;
    EXPECT_EQ(lockmantle.EncString("HelloWorld", "abc"),
              fromHex("2999AD0EA6310C23BD052795AD078C080034B523858D0DAA0D0E30BF1590A4"));
    const std::string expected = fromHex(
        "61FDC38ECD630A56D99BF16107951DEDB7E1AD113454CAD5CF6A6198E711FF1E8E99F1A0470F3472A10A0B5C"
        "41E260B86D69DD0E3E80DA7108FD45A844A4063DDC5406DE89FFA8551BF42C2F38108C90C6251002F3198E20"
        "E5EABDEEA60F1253D35BF926B4A5CD151FE23EFC888619CCEB1D32D5B6DED148B010472F30A35B7AB9D1E262"
        "B166C9DCB43AF8F204ACF84324F8FD37B6E8F41302979C4FA87B5549D7DFBE786669471043F7C8D98B0868EE"
        "9A22EB073ADDB987C171711BC7AFF9D7752C945984E1AAAA047A952144EFA12693C356EF04C06EFD761BCCC4"
        "34D47E7EDB25746593751382C033D5A198D39441B7FD89565ADE92AD79DA96B94476DD6F552B630026B38D8B"
        "49F361E8A2B3FE626ABDD440E94807B4270F49F678D829891B6B6EAD06630D96466C5A6E3FC6E01F0121D184"
        "580EDDC71D88629EAB06680B0E088B2109AC96A4AE9F92B21B8C61E0F9213B613A2C976221645759A29B2A5D"
        "DA3E11714353DF9498BD419E407B618C4582AC4E9FB8AD2AEBBAA0D02A40EFD661144A753D62395F64FE6179"
        "1A89E8759D202A85145A90B12BE3F429CBE53E20A483FB2801344BF3AA61088B900EC6E3CE522EED39A2C814"
        "99338C8D06ED207298FF6FC005C88E4A5BD42F9C6947DA9407702F9E51ABCC6FF5C560E56DC1A434A712DC13"
        "005003C23298CD74EABCCD71A0D096A0958EFC350B4C9C1279CDC768F6CA81C4680341C080E87E1E8E04FABE"
        "EAA41E3D5FC3E2F65158A7DE2AC6298792F8AF4E043D65B811124358F979AF6462D401378BD30671863CD73D"
        "DF7F4AD55F0FD180F4A14202EF3530210B9587CF2E190DFA128717DC2795ADE88C086F34B5D0822664FB788F"
        "C69ECB6E45");
    EXPECT_EQ(lockmantle.EncryptData(pattern(600), "abc"), expected);
}

TEST(Lockmantle, DataRoundTripsAndAWrongPasswordIsRefused) {
    orv::cLockmantle lockmantle;
    for (const size_t length : {3, 4, 5, 21, 511, 512, 513, 600, 5000}) {
        const std::string data = pattern(length);
        const std::string enciphered = lockmantle.EncryptData(data, "abc");
        ASSERT_EQ(enciphered.size(), length + 21);
        EXPECT_EQ(lockmantle.DecryptData(enciphered, "abc"), data) << length;
        EXPECT_EQ(lockmantle.LastLMError(), "");

        EXPECT_EQ(lockmantle.DecryptData(enciphered, "xbc"), std::string(1, '\0')) << length;
        EXPECT_EQ(lockmantle.LastLMError(), "Invalid Password");
    }
    EXPECT_EQ(lockmantle.DecString(lockmantle.EncString("text", "pw"), "wr"), std::string(1, '\0'));
}

TEST(Lockmantle, DataRefusalsAndInputTheCipherCannotTake) {
    orv::cLockmantle lockmantle;
    for (const auto& operation : {&orv::cLockmantle::EncryptData, &orv::cLockmantle::DecryptData,
                                  &orv::cLockmantle::EncString, &orv::cLockmantle::DecString}) {
        lockmantle.setLastLMError("stale");
        EXPECT_EQ((lockmantle.*operation)(std::string(30, 'x'), ""), std::string(1, '\0'));
        EXPECT_EQ(lockmantle.LastLMError(), "No Password Specified");
    }

    const int outOfRange = platform::rt::SubscriptOutOfRange;
    EXPECT_EQ(thrownNumber([&] { lockmantle.EncryptData("ab", "abc"); }), outOfRange);
    EXPECT_EQ(thrownNumber([&] { lockmantle.EncryptData("", "abc"); }), outOfRange);
    EXPECT_EQ(thrownNumber([&] { lockmantle.EncryptData("x", "y"); }), outOfRange);  // 1-byte key
    EXPECT_EQ(thrownNumber([&] { lockmantle.DecryptData(std::string(20, 'x'), "a"); }), outOfRange);
    EXPECT_EQ(thrownNumber([&] { lockmantle.DecryptData(std::string(23, 'x'), "abc"); }),
              outOfRange);
    EXPECT_EQ(thrownNumber([&] { lockmantle.EncString("", ""); }), outOfRange);
    EXPECT_EQ(thrownNumber([&] { lockmantle.DecString("", "abc"); }), outOfRange);
}

namespace {

// Records the progress events and cancels at the chosen one.
class ProgressRecorder : public orv::LockmantleEvents {
  public:
    std::vector<int32_t> percents;
    size_t cancelAtEvent = 0;  // from 1; 0 never
    std::function<void()> onEvent;

    void EncProgress(int32_t& percentDone, bool& cancel) override {
        percents.push_back(percentDone);
        cancel = percents.size() == cancelAtEvent;
        if (onEvent) {
            onEvent();
        }
    }
};

class LockmantleFiles : public testing::Test {
  protected:
    TempFolder folder;
    ProgressRecorder progress;
    orv::cLockmantle lockmantle{&progress};
    const std::string plain = folder.file("plain.bin");
    const std::string enciphered = folder.file("plain.enc");
    const std::string output = folder.file("output.bin");

    // Encrypts `data` from a file, checking the result.
    void encryptFile(const std::string& data, const std::string& password = "Tornel") {
        writeFile(plain, data);
        ASSERT_EQ(lockmantle.EncryptFile(plain, enciphered, password), 0);
        ASSERT_EQ(lockmantle.LastLMError(), "");
    }

    void expectResult(int32_t result, int32_t number, const std::string& text) {
        EXPECT_EQ(result, number);
        EXPECT_EQ(lockmantle.LastLMError(), text);
    }

    std::vector<std::string> folderNames() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }
};

}  // namespace

TEST_F(LockmantleFiles, RoundTripAroundEveryChunkBorder) {
    for (const size_t size :
         {6, 65514, 65515, 65516, 65535, 65536, 65537, 131072, 131073, 200000}) {
        const std::string data = pattern(size);
        encryptFile(data);
        EXPECT_EQ(std::filesystem::file_size(enciphered), size + 21);
        EXPECT_EQ(lockmantle.DecryptFile(enciphered, output, "Tornel"), 0) << size;
        EXPECT_TRUE(readFile(output) == data) << size;
    }
}

TEST_F(LockmantleFiles, TheKeyStreamRestartsAtEveryChunk) {
    const std::string small = pattern(65536);
    encryptFile(small);
    EXPECT_EQ(readFile(enciphered), lockmantle.EncryptData(small, "Tornel"));

    const std::string large = pattern(70000);
    encryptFile(large);
    const std::string fileForm = readFile(enciphered);
    const std::string dataForm = lockmantle.EncryptData(large, "Tornel");
    EXPECT_EQ(fileForm.substr(0, 65536), dataForm.substr(0, 65536));
    EXPECT_NE(fileForm, dataForm);
    EXPECT_EQ(lockmantle.DecryptData(dataForm, "Tornel"), large);
}

TEST_F(LockmantleFiles, ProgressFollowsTheChunks) {
    const struct {
        size_t size;
        std::vector<int32_t> encrypting;
        std::vector<int32_t> decrypting;  // measured against the enciphered size
    } cases[] = {
        {6, {100}, {22}},
        {65530, {100}, {99, 100}},  // the marker crosses the chunk border
        {150000, {43, 87, 100}, {43, 87, 100}},
    };
    for (const auto& c : cases) {
        progress.percents.clear();
        encryptFile(pattern(c.size));
        EXPECT_EQ(progress.percents, c.encrypting) << c.size;
        progress.percents.clear();
        EXPECT_EQ(lockmantle.DecryptFile(enciphered, output, "Tornel"), 0);
        EXPECT_EQ(progress.percents, c.decrypting) << c.size;
    }
}

TEST_F(LockmantleFiles, ACancelledEncryptionLeavesTheDestinationAlone) {
    writeFile(plain, pattern(150000));
    progress.cancelAtEvent = 1;
    expectResult(lockmantle.EncryptFile(plain, enciphered, "Tornel"), 0, "");
    EXPECT_FALSE(std::filesystem::exists(enciphered));

    writeFile(enciphered, "earlier");
    progress.cancelAtEvent = progress.percents.size() + 2;
    expectResult(lockmantle.EncryptFile(plain, enciphered, "Tornel"), 0, "");
    EXPECT_EQ(readFile(enciphered), "earlier");
    EXPECT_EQ(folderNames(), (std::vector<std::string>{"plain.bin", "plain.enc"}));
}

TEST_F(LockmantleFiles, ACancelledDecryptionKeepsWhatWasDecrypted) {
    const std::string data = pattern(150000);
    encryptFile(data);
    progress.percents.clear();
    progress.cancelAtEvent = 2;
    expectResult(lockmantle.DecryptFile(enciphered, output, "Tornel"), 0, "");
    EXPECT_TRUE(readFile(output) == data.substr(0, 65536));
}

TEST_F(LockmantleFiles, FailuresLeaveTheDestinationAsItWas) {
    writeFile(output, "keep me");
    const std::string missing = folder.file("missing.bin");
    const auto bothWays = [&](const std::string& source, const std::string& password,
                              int32_t number, const std::string& text) {
        expectResult(lockmantle.EncryptFile(source, output, password), number, text);
        expectResult(lockmantle.DecryptFile(source, output, password), number, text);
    };
    bothWays(missing, "Tornel", 53, "");
    bothWays(folder.path(), "Tornel", 53, "");
    ASSERT_EQ(::mkfifo(folder.file("fifo").c_str(), 0644), 0);
    bothWays(folder.file("fifo"), "Tornel", 53, "");  // never blocks on a pipe
    writeFile(plain, pattern(100));
    bothWays(plain, "", 9999, "");

    writeFile(plain, "ab");  // shorter than the password
    expectResult(lockmantle.EncryptFile(plain, output, "abc"), 9, "Subscript out of range");
    writeFile(plain, "");
    expectResult(lockmantle.EncryptFile(plain, output, "abc"), 9, "Subscript out of range");
    writeFile(plain, "x");  // a one-byte key
    expectResult(lockmantle.EncryptFile(plain, output, "y"), 9, "Subscript out of range");
    writeFile(plain, pattern(10));  // too short to hold the marker
    expectResult(lockmantle.DecryptFile(plain, output, "abc"), 9, "Subscript out of range");

    encryptFile(pattern(1000));
    expectResult(lockmantle.DecryptFile(enciphered, output, "tornel"), 9999, "Wrong Password!");
    expectResult(lockmantle.EncryptFile(plain, folder.file("none/out.enc"), "Tornel"), 9999,
                 "CreateFile Failed");
    EXPECT_EQ(readFile(output), "keep me");
    expectResult(lockmantle.EncryptFile(plain, output, "Tornel"), 0, "");  // clears the text
}

TEST_F(LockmantleFiles, TheSourceIsNeverItsOwnDestination) {
    const std::string data = pattern(1000);
    encryptFile(data);
    const std::string link = folder.file("hard-link.bin");
    ASSERT_EQ(::link(plain.c_str(), link.c_str()), 0);
    expectResult(lockmantle.EncryptFile(plain, plain, "Tornel"), 9999, "CreateFile Failed");
    expectResult(lockmantle.EncryptFile(plain, link, "Tornel"), 9999, "CreateFile Failed");
    EXPECT_TRUE(readFile(plain) == data);
    const std::string before = readFile(enciphered);
    expectResult(lockmantle.DecryptFile(enciphered, enciphered, "Tornel"), 9999,
                 "CreateFile Failed");
    EXPECT_EQ(readFile(enciphered), before);
}

TEST_F(LockmantleFiles, HandlersCannotDisturbTheFileBeingWritten) {
    const std::string data = pattern(150000);
    progress.onEvent = [&] {
        lockmantle.EncString("re-entrant call", "another password");
        throw std::runtime_error("ignored");
    };
    encryptFile(data);
    EXPECT_EQ(progress.percents.size(), 3U);
    progress.onEvent = nullptr;
    EXPECT_EQ(lockmantle.DecryptFile(enciphered, output, "Tornel"), 0);
    EXPECT_TRUE(readFile(output) == data);
}

TEST_F(LockmantleFiles, ASourceThatShrinksMeanwhileIsAFailedRead) {
    writeFile(plain, pattern(150000));
    writeFile(enciphered, "earlier");
    progress.onEvent = [&] { std::filesystem::resize_file(plain, 1000); };
    expectResult(lockmantle.EncryptFile(plain, enciphered, "Tornel"), 9999, "ReadFile Failed");
    EXPECT_EQ(readFile(enciphered), "earlier");
}
