#include "reconstruct/OoxmlPackage.h"

#include <gtest/gtest.h>
#include <zip.h>

#include "support/TempDir.h"
#include "support/TestPdf.h"
#include "support/ZipPart.h"

namespace reconstruct {
namespace {

TEST(OoxmlPackageTest, PartsAndTheirTypesReadBack) {
    TempDir temp;
    const auto picture = temp / "picture.png";
    testdocs::WriteFile(picture, "PNGDATA");
    std::string error;
    auto package = OoxmlPackage::Create(temp / "out.docx", &error);
    ASSERT_TRUE(package) << error;
    package->AddDefault("png", "image/png");
    ASSERT_TRUE(package->AddPart("word/document.xml", "application/test+xml", "<doc/>", &error));
    ASSERT_TRUE(package->AddPartFromFile("word/media/image1.png", "", picture, &error));
    ASSERT_TRUE(package->Finish(&error)) << error;

    EXPECT_EQ(ReadPackagePart(temp / "out.docx", "word/document.xml"), "<doc/>");
    EXPECT_EQ(ReadPackagePart(temp / "out.docx", "word/media/image1.png"), "PNGDATA");
    const std::string types = ReadPackagePart(temp / "out.docx", "[Content_Types].xml");
    EXPECT_NE(types.find("<Default Extension=\"png\" ContentType=\"image/png\"/>"),
              std::string::npos);
    EXPECT_NE(types.find("<Override PartName=\"/word/document.xml\" "
                         "ContentType=\"application/test+xml\"/>"),
              std::string::npos);
    EXPECT_EQ(types.find("image1.png"), std::string::npos);
}

TEST(OoxmlPackageTest, AnUnfinishedPackageLeavesNoFile) {
    TempDir temp;
    std::string error;
    {
        auto package = OoxmlPackage::Create(temp / "out.docx", &error);
        ASSERT_TRUE(package);
        ASSERT_TRUE(package->AddPart("a.xml", "", "<a/>", &error));
    }
    EXPECT_FALSE(std::filesystem::exists(temp / "out.docx"));
    // libzip writes only when the archive is closed, so a bad folder fails the finish.
    auto package = OoxmlPackage::Create(temp / "missing" / "out.docx", &error);
    EXPECT_TRUE(!package || !package->Finish(&error));
    EXPECT_FALSE(error.empty());
}

TEST(OoxmlPackageTest, EscapingKeepsTextAndDropsWhatXmlCannotCarry) {
    EXPECT_EQ(XmlEscape("a<b & \"c\" 'd'>"), "a&lt;b &amp; &quot;c&quot; &apos;d&apos;&gt;");
    EXPECT_EQ(XmlEscape("中文\tline\x01\x1f"), "中文\tline");
    EXPECT_EQ(XmlEscape("bad\xff\xfe utf8 \xe4\xb8"), "bad utf8 ");
}

}  // namespace
}  // namespace reconstruct
