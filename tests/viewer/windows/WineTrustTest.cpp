// A Windows program a recipient can trust, checked with the tools a publisher on Linux uses:
// osslsigncode signs, verifies and removes signatures (with a certificate made here by
// openssl), Wine runs the self-test of each variant, wrestool and icotool read the version
// information, the icon group and the manifest.

#include "builder/CodeSigner.h"
#include "format/IconImage.h"
#include "format/PeImage.h"
#include "format/VersionResource.h"

#include "tests/viewer/windows/WineFixture.h"

#include <algorithm>
#include <cmath>

namespace pagolux {
namespace {

// The certificate files one test uses: with a password, without one, and a damaged one.
struct Certificates {
    std::string withPassword, withoutPassword, damaged, caFile, passwordFile, wrongPasswordFile;
};

class WineTrustTest : public WineViewerTest {
  protected:
    void SetUp() override
    {
        WineViewerTest::SetUp();
        if (IsSkipped())
            return;
        for (const char* tool : {"osslsigncode", "openssl"})
            if (!test::haveProgram(tool))
                GTEST_SKIP() << "not installed: " << tool;
    }

    Certificates makeCertificates()
    {
        Certificates c;
        const std::string key = work / "key.pem";
        c.caFile = work / "cert.pem";
        c.withPassword = work / "mit.p12";
        c.withoutPassword = work / "ohne.p12";
        c.damaged = work / "kaputt.p12";
        c.passwordFile = work / "kennwort.txt";
        c.wrongPasswordFile = work / "falsch.txt";
        const Shell r =
            runShell("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Pagolux Test' -keyout " +
                     quote(key) + " -out " + quote(c.caFile) + " && openssl pkcs12 -export -inkey " +
                     quote(key) + " -in " + quote(c.caFile) + " -passout pass:Geheim-42 -out " +
                     quote(c.withPassword) + " && openssl pkcs12 -export -inkey " + quote(key) + " -in " +
                     quote(c.caFile) + " -passout pass: -out " + quote(c.withoutPassword));
        EXPECT_EQ(r.exitCode, 0) << r.output;
        Bytes broken = test::readBytes(c.withPassword);
        broken.resize(broken.size() / 2);
        test::writeBytes(c.damaged, broken);
        test::writeFile(c.passwordFile, "Geheim-42");
        test::writeFile(c.wrongPasswordFile, "geheim-42");
        return c;
    }

    // The program's self-test verdict: "ok", or the error it reports.
    std::string selfTestResult(const std::string& exe)
    {
        const std::string report = work / "trust.txt";
        selfTest(exe, report);
        const Report rep = parseReport(test::readFile(report));
        if (rep.values.count("result") && rep.values.at("archive") == "ok")
            return rep.values.at("result");
        return rep.values.count("error") ? rep.values.at("error") : "no report";
    }

    // The resources of one type, taken out with wrestool.
    Bytes resource(const std::string& exe, const std::string& type)
    {
        const std::string out = work / ("resource-" + type + ".bin");
        const Shell r = runShell("wrestool -x --raw --type=" + type + " -o " + quote(out) + " " + quote(exe));
        EXPECT_EQ(r.exitCode, 0) << r.output;
        return test::readBytes(out);
    }
};

TEST_F(WineTrustTest, SignedUnsignedAndSignatureRemovedProgramsAllRun)
{
    const Certificates certs = makeCertificates();
    const std::string unsignedExe = work / "plain.exe";
    ASSERT_EQ(build(unsignedExe).exitCode, 0);
    // The signing tool pads a file whose length is no multiple of 8: a file of the site grows
    // until the program needs that padding, so the case the viewer must allow is the one tried.
    for (int extra = 1; fs::file_size(unsignedExe) % 8 == 0 && extra <= 16; ++extra) {
        test::writeFile(site / "pages/fuell.txt", std::string(static_cast<std::size_t>(extra), 'x'));
        ASSERT_EQ(build(unsignedExe).exitCode, 0);
    }
    ASSERT_NE(fs::file_size(unsignedExe) % 8, 0u);
    const std::string signedExe = work / "signed.exe";
    const Shell s = runShell("osslsigncode sign -pkcs12 " + quote(certs.withoutPassword) + " -n Probe -in " +
                             quote(unsignedExe) + " -out " + quote(signedExe));
    ASSERT_EQ(s.exitCode, 0) << s.output;
    const Shell v =
        runShell("osslsigncode verify -CAfile " + quote(certs.caFile) + " -in " + quote(signedExe));
    EXPECT_NE(v.output.find("Signature verification: ok"), std::string::npos) << v.output;
    const std::string removedExe = work / "removed.exe";
    const Shell u =
        runShell("osslsigncode remove-signature -in " + quote(signedExe) + " -out " + quote(removedExe));
    ASSERT_EQ(u.exitCode, 0) << u.output;

    struct Row {
        const char* name;
        std::string exe;
    };
    const Row rows[] = {{"unsigned", unsignedExe}, {"signed", signedExe}, {"signature removed", removedExe}};
    for (const Row& row : rows)
        EXPECT_EQ(selfTestResult(row.exe), "ok") << row.name;
    // The removed signature leaves the padding in front of it: the file grew.
    EXPECT_GT(fs::file_size(removedExe), fs::file_size(unsignedExe));
    EXPECT_EQ(fs::file_size(removedExe) % 8, 0u);

    // The signing tool's own checksum of the signed file is the one this reader computes.
    TFileStream file(signedExe, TFileMode::fmOpenRead);
    const PeLayout pe = ReadPeLayout(file);
    EXPECT_NE(pe.certificateSize, 0u);
    EXPECT_EQ(PeDataEnd(file), pe.certificateOffset);
    Bytes field(4);
    file.Seek(pe.checksumOffset, TSeekOrigin::soBeginning);
    file.ReadBuffer(field.data(), 4);
    EXPECT_EQ(ComputePeChecksum(file, pe.checksumOffset), test::getLE32(field, 0));
}

TEST_F(WineTrustTest, BuildSignsOrKeepsTheOldProgram)
{
    const Certificates certs = makeCertificates();
    const std::string exe = work / "built.exe";
    const std::string old = "das alte Programm";
    struct Row {
        const char* name;
        std::string options;
        bool signs;
        const char* error; // part of the German error line
    };
    const Row rows[] = {
        {"password from a file",
         "--sign " + quote(certs.withPassword) + " --sign-password-file " + quote(certs.passwordFile), true,
         nullptr},
        {"certificate without password", "--sign " + quote(certs.withoutPassword), true, nullptr},
        {"wrong password",
         "--sign " + quote(certs.withPassword) + " --sign-password-file " + quote(certs.wrongPasswordFile),
         false, "Kennwort des Zertifikats ist falsch"},
        {"password missing", "--sign " + quote(certs.withPassword), false, "mit einem Kennwort geschützt"},
        {"damaged certificate", "--sign " + quote(certs.damaged), false, "Zertifikat ist beschädigt"},
        {"missing certificate", "--sign " + quote(work / "fehlt.p12"), false, "kann nicht gelesen werden"},
        // A closed port on this machine: the time-stamp server does not answer.
        {"time-stamp server silent",
         "--sign " + quote(certs.withoutPassword) + " --timestamp http://127.0.0.1:9", false,
         "Zeitstempel-Server antwortet nicht"},
    };
    for (const Row& row : rows) {
        test::writeFile(exe, old);
        const Shell b = build(exe, "--target windows " + row.options);
        // The password never shows up in what the builder prints.
        EXPECT_EQ(b.output.find("Geheim-42"), std::string::npos) << row.name;
        if (!row.signs) {
            EXPECT_NE(b.exitCode, 0) << row.name;
            EXPECT_NE(b.output.find(row.error), std::string::npos) << row.name << ": " << b.output;
            EXPECT_EQ(test::readFile(exe), old) << row.name;
            continue;
        }
        ASSERT_EQ(b.exitCode, 0) << row.name << ": " << b.output;
        const Shell v = runShell("osslsigncode verify -CAfile " + quote(certs.caFile) + " -in " + quote(exe));
        EXPECT_NE(v.output.find("Signature verification: ok"), std::string::npos) << row.name << v.output;
        EXPECT_EQ(selfTestResult(exe), "ok") << row.name;
    }
    // No temporary file of the signing stays behind.
    for (const std::string& name : test::folderEntries(work.folder()))
        EXPECT_EQ(name.find("signiert"), std::string::npos) << name;

    // Without the tool on the search path the build says so.
    test::writeFile(exe, old);
    const Shell b =
        runShell("PATH=/nonexistent XDG_DATA_HOME=" + quote(work / "data") + " " +
                 quote(binDir + "pagolux-build") + " " + quote(work / "p.pgx") + " -o " + quote(exe) +
                 " --target windows --sign " + quote(certs.withoutPassword) + " --yes");
    EXPECT_NE(b.exitCode, 0);
    EXPECT_NE(b.output.find("osslsigncode ist nicht installiert"), std::string::npos) << b.output;
    EXPECT_EQ(test::readFile(exe), old);
}

TEST_F(WineTrustTest, TypedPasswordReachesTheToolThroughAPipe)
{
    // The window hands the password over as text; it never lands on a command line or disk.
    const Certificates certs = makeCertificates();
    const std::string exe = work / "typed.exe";
    ASSERT_EQ(build(exe).exitCode, 0);
    const Bytes unsignedBytes = test::readBytes(exe);
    const char* path = std::getenv("PATH");
    struct Row {
        const char* name;
        std::string password;
        const char* error; // nullptr: signed
    };
    const Row rows[] = {{"right password", "Geheim-42", nullptr},
                        {"wrong password", "geheim", kMsgSignWrongPassword},
                        {"no password", "", kMsgSignNeedsPassword}};
    for (const Row& row : rows) {
        test::writeBytes(exe, unsignedBytes);
        SigningRequest request;
        request.certificate = certs.withPassword;
        request.password = row.password;
        const std::string error = SignWindowsProgram(exe, request, "Wein Probe", path ? path : "");
        if (row.error) {
            EXPECT_EQ(error, row.error + certs.withPassword) << row.name;
            EXPECT_EQ(test::readBytes(exe), unsignedBytes) << row.name;
            continue;
        }
        EXPECT_EQ(error, "") << row.name;
        const Shell v = runShell("osslsigncode verify -CAfile " + quote(certs.caFile) + " -in " + quote(exe));
        EXPECT_NE(v.output.find("Signature verification: ok"), std::string::npos) << row.name << v.output;
    }
}

TEST_F(WineTrustTest, VersionInformationNamesTheProjectAndTheFile)
{
    const std::string exe = work / "Mein Programm.exe";
    ASSERT_EQ(build(exe).exitCode, 0);
    const Bytes version = resource(exe, "16");
    struct Row {
        std::u16string key;
        std::u16string value;
    };
    const Row rows[] = {{u"FileDescription", u"Wein Probe"},
                        {u"ProductName", u"Wein Probe"},
                        {u"OriginalFilename", u"Mein Programm.exe"},
                        {u"InternalName", u"Mein Programm.exe"}};
    for (const Row& row : rows) {
        const auto value = ReadVersionString(version, row.key);
        ASSERT_TRUE(value.has_value());
        EXPECT_TRUE(*value == row.value);
    }
    // The header checksum covers the whole program, archive included.
    TFileStream file(exe, TFileMode::fmOpenRead);
    const PeLayout pe = ReadPeLayout(file);
    Bytes field(4);
    file.Seek(pe.checksumOffset, TSeekOrigin::soBeginning);
    file.ReadBuffer(field.data(), 4);
    EXPECT_NE(test::getLE32(field, 0), 0u);
    EXPECT_EQ(ComputePeChecksum(file, pe.checksumOffset), test::getLE32(field, 0));
}

TEST_F(WineTrustTest, ManifestAsksForDpiAwarenessAndNamesTheSystems)
{
    const std::string exe = work / "manifest.exe";
    ASSERT_EQ(build(exe).exitCode, 0);
    const Bytes raw = resource(exe, "24");
    const std::string manifest(raw.begin(), raw.end());
    for (const char* part :
         {"<dpiAwareness xmlns=\"http://schemas.microsoft.com/SMI/2016/WindowsSettings\">PerMonitorV2",
          "true/pm</dpiAware>", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", "level=\"asInvoker\"",
          "<longPathAware", ">true</longPathAware>"})
        EXPECT_NE(manifest.find(part), std::string::npos) << part << "\n" << manifest;
}

// A PNG file of the pixels (0xAARRGGBB, top row first), written the plain way: RGBA rows
// without filtering in one zlib stream.
Bytes pngOf(int width, int height, const std::vector<std::uint32_t>& argb)
{
    const auto put32be = [](Bytes& b, std::uint32_t v) {
        for (int i = 3; i >= 0; --i)
            b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    };
    Bytes png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    const auto chunk = [&](const char* type, const Bytes& data) {
        put32be(png, static_cast<std::uint32_t>(data.size()));
        Bytes body(type, type + 4);
        body.insert(body.end(), data.begin(), data.end());
        png.insert(png.end(), body.begin(), body.end());
        put32be(png, static_cast<std::uint32_t>(crc32(0L, body.data(), static_cast<uInt>(body.size()))));
    };
    Bytes header;
    put32be(header, static_cast<std::uint32_t>(width));
    put32be(header, static_cast<std::uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8 bits, RGBA
    chunk("IHDR", header);
    Bytes raw;
    for (int y = 0; y < height; ++y) {
        raw.push_back(0);
        for (int x = 0; x < width; ++x) {
            const std::uint32_t p = argb[static_cast<std::size_t>(y) * width + x];
            raw.insert(raw.end(), {static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                                   static_cast<std::uint8_t>(p), static_cast<std::uint8_t>(p >> 24)});
        }
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    Bytes packed(packedSize);
    EXPECT_EQ(compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()), 6), Z_OK);
    packed.resize(packedSize);
    chunk("IDAT", packed);
    chunk("IEND", {});
    return png;
}

TEST_F(WineTrustTest, IconSetIsDrawnFromTheChosenPicture)
{
    // 300 x 200: the left half red, the right half blue above and transparent below. Covering
    // a square cuts 50 columns off each side, so each image is red on the left, blue at the
    // top right and transparent at the bottom right.
    constexpr int kWidth = 300, kHeight = 200;
    std::vector<std::uint32_t> source(kWidth * kHeight);
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x)
            source[static_cast<std::size_t>(y) * kWidth + x] = x < kWidth / 2    ? 0xFFFF0000u
                                                               : y < kHeight / 2 ? 0xFF0000FFu
                                                                                 : 0x00000000u;
    test::writeBytes(work / "bild.png", pngOf(kWidth, kHeight, source));

    const std::string exe = work / "icons.exe";
    const Shell b = build(exe, "--target windows --icon " + quote(work / "bild.png"));
    ASSERT_EQ(b.exitCode, 0) << b.output;
    const Shell x = runShell("wrestool -x --type=14 -o " + quote(work / "set.ico") + " " + quote(exe));
    ASSERT_EQ(x.exitCode, 0) << x.output;
    const Shell list = runShell("icotool -l " + quote(work / "set.ico"));
    EXPECT_NE(list.output.find("--width=32 --height=32 --bit-depth=4"), std::string::npos) << list.output;

    TFileStream file(exe, TFileMode::fmOpenRead);
    const PeLayout pe = ReadPeLayout(file);
    const auto images = ListPeResources(file, pe, kPeResourceIcon);
    for (int side : {16, 24, 48, 256}) {
        const std::string entry =
            "--width=" + std::to_string(side) + " --height=" + std::to_string(side) + " --bit-depth=32";
        EXPECT_NE(list.output.find(entry), std::string::npos) << entry << "\n" << list.output;
        const auto slot = std::find_if(images.begin(), images.end(), [side](const PeResource& r) {
            return r.size == trueColourIconBytes(side);
        });
        ASSERT_NE(slot, images.end()) << side;
        Bytes bytes(slot->size);
        file.Seek(slot->offset, TSeekOrigin::soBeginning);
        file.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
        const std::vector<std::uint32_t> argb = unpackTrueColourIcon(side, bytes);
        ASSERT_EQ(argb.size(), static_cast<std::size_t>(side * side)) << side;

        // The source sampled at each pixel's centre; colours compared weighted by their alpha,
        // so that a transparent pixel's colour does not count.
        const double scale = static_cast<double>(side) / kHeight;
        const double left = (side - kWidth * scale) / 2;
        double difference = 0;
        for (int ty = 0; ty < side; ++ty) {
            for (int tx = 0; tx < side; ++tx) {
                const int sx = static_cast<int>((tx + 0.5 - left) / scale);
                const int sy = static_cast<int>((ty + 0.5) / scale);
                const std::uint32_t want = source[static_cast<std::size_t>(sy) * kWidth + sx];
                const std::uint32_t got = argb[static_cast<std::size_t>(ty) * side + tx];
                for (int shift : {24, 16, 8, 0}) {
                    const auto weighted = [shift](std::uint32_t p) {
                        const double v = (p >> shift) & 0xFF;
                        return shift == 24 ? v : v * (p >> 24) / 255.0;
                    };
                    difference += std::abs(weighted(want) - weighted(got));
                }
            }
        }
        EXPECT_LT(difference / (side * side * 4), 4.0) << side;
    }
}

} // namespace
} // namespace pagolux
