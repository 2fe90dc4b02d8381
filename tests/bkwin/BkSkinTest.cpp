#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "BkSkinTestImages.h"
#include "bkwin/BkDpi.h"
#include "bkwin/BkPngPool.h"
#include "bkwin/BkResource.h"
#include "bkwin/BkSkin.h"

namespace BkWin {
namespace {

namespace fs = std::filesystem;
using bkwin_test::FillRect;
using bkwin_test::NewSurface;
using bkwin_test::PixelAt;

constexpr std::uint32_t kRed = 0xFFFF0000, kGreen = 0xFF00FF00, kBlue = 0xFF0000FF,
                        kYellow = 0xFFFFFF00, kGrey = 0xFF808080, kWhite = 0xFFFFFFFF,
                        kCyan = 0xFF00FFFF, kMagenta = 0xFFFF00FF, kBlack = 0xFF000000;

// A 3×3 grid of cells of `cell` pixels: corners red, green, blue, yellow (clockwise from the
// top left), edges grey (top), white (bottom), cyan (left), magenta (right), black middle.
void PaintGrid(cairo_surface_t* surface, int cell) {
    const std::uint32_t colours[3][3] = {
        {kRed, kGrey, kGreen}, {kCyan, kBlack, kMagenta}, {kYellow, kWhite, kBlue}};
    for (int row = 0; row < 3; ++row) {
        for (int col = 0; col < 3; ++col)
            FillRect(surface, platform::Rect::At({col * cell, row * cell}, {cell, cell}),
                     colours[row][col]);
    }
}

class BkSkinTest : public ::testing::Test {
protected:
    void SetUp() override {
        folder_ = bkwin_test::TempFolder("skin");
        BkResource::SetOverrideFolder(folder_);
        BkDpi::SetProgramForTesting(folder_ / "program", "quiretest");
        BkDpi::ResetForTesting();
        BkPngPool::Clear();
        BkSkin::Clear();
    }
    void TearDown() override {
        BkSkin::Clear();
        BkPngPool::Clear();
        BkDpi::ResetForTesting();
        BkResource::SetOverrideFolder({});
        fs::remove_all(folder_);
    }

    fs::path PngResource(int id) { return folder_ / "png" / (std::to_string(id) + ".png"); }

    void LoadSkin(const std::string& element) {
        ASSERT_TRUE(BkSkin::LoadSkins("<skins>" + element + "</skins>"));
    }

    // Draws skin `name` into a 50×50 surface.
    bkwin_test::Surface Draw(const std::string& name, const platform::Rect& rect, int state = 0,
                             bool dpi = false) {
        bkwin_test::Surface surface = NewSurface(50, 50);
        const CBkSkinBase* skin = BkSkin::GetSkin(name);
        EXPECT_NE(skin, nullptr) << name;
        if (skin != nullptr) {
            cairo_t* cr = cairo_create(surface.get());
            skin->Draw(cr, rect, state, dpi);
            cairo_destroy(cr);
        }
        return surface;
    }

    void EnableDpi(int screen_dpi) {
        const fs::path ini = folder_ / "program" / "ressrc" / "chs" / "dpisetting.ini";
        fs::create_directories(ini.parent_path());
        std::ofstream(ini) << "[basesetting]\nswitch=1\nsupportrate=1.0|1.5|2.0\n";
        BkDpi::ResetForTesting();
        BkDpi::SetScreenDpi(screen_dpi);
    }

    fs::path folder_;
};

TEST_F(BkSkinTest, FirstDefinitionWinsAndUnnamedOrUnknownElementsAreSkipped) {
    bkwin_test::WritePng(PngResource(2001), 8, 4, [](cairo_surface_t*) {});
    bkwin_test::WritePng(PngResource(2002), 6, 6, [](cairo_surface_t*) {});
    LoadSkin(R"(<png name="a" src="2001"/><png name="a" src="2002"/>
                <png src="2002"/><png name=""/><imglst name="b" src="2001"/>
                <png name="c" src="2002" subwidth="3"/>)");
    ASSERT_NE(BkSkin::GetSkin("a"), nullptr);
    EXPECT_EQ(BkSkin::GetSkin("a")->GetSkinSize(), (platform::Size{8, 4}));
    EXPECT_EQ(BkSkin::GetSkin("b"), nullptr);
    EXPECT_EQ(BkSkin::GetSkin(""), nullptr);
    ASSERT_NE(BkSkin::GetSkin("c"), nullptr);
    EXPECT_EQ(BkSkin::GetSkin("c")->GetSkinSize(), (platform::Size{3, 6}));
    EXPECT_TRUE(BkSkin::GetSkin("c")->IsClass("png"));
    EXPECT_FALSE(BkSkin::LoadSkins("<skin/>"));
}

TEST_F(BkSkinTest, FrameKeepsCornersAndStretchesTheRest) {
    bkwin_test::WritePng(PngResource(2010), 9, 9, [](cairo_surface_t* s) { PaintGrid(s, 3); });
    LoadSkin(R"(<png name="frame" src="2010" margin_left="3" margin_right="3" margin_top="3"
                     margin_bottom="3"/>)");
    const auto surface = Draw("frame", {10, 10, 40, 34});
    cairo_surface_t* s = surface.get();
    for (int d = 0; d < 3; ++d) {
        EXPECT_EQ(PixelAt(s, 10 + d, 10 + d), kRed);
        EXPECT_EQ(PixelAt(s, 39 - d, 10 + d), kGreen);
        EXPECT_EQ(PixelAt(s, 10 + d, 33 - d), kYellow);
        EXPECT_EQ(PixelAt(s, 39 - d, 33 - d), kBlue);
    }
    EXPECT_EQ(PixelAt(s, 13, 10), kGrey);
    EXPECT_EQ(PixelAt(s, 36, 12), kGrey);
    EXPECT_EQ(PixelAt(s, 25, 33), kWhite);
    EXPECT_EQ(PixelAt(s, 10, 30), kCyan);
    EXPECT_EQ(PixelAt(s, 39, 13), kMagenta);
    EXPECT_EQ(PixelAt(s, 13, 13), kBlack);
    EXPECT_EQ(PixelAt(s, 36, 30), kBlack);
    EXPECT_EQ(PixelAt(s, 9, 9), 0u);
    EXPECT_EQ(PixelAt(s, 40, 34), 0u);
}

TEST_F(BkSkinTest, SourceOffsetFlipAndMiddleTile) {
    // Columns: red, then four distinct colours, then blue.
    bkwin_test::WritePng(PngResource(2020), 6, 2, [](cairo_surface_t* s) {
        const std::uint32_t colours[6] = {kRed, kGrey, kWhite, kCyan, kMagenta, kBlue};
        for (int x = 0; x < 6; ++x)
            FillRect(s, {x, 0, x + 1, 2}, colours[x]);
    });
    LoadSkin(R"(<png name="tile" src="2020" margin_left="1" margin_right="1" middle_tile="1"/>
                <png name="flipped" src="2020" flip="1"/>
                <png name="offset" src="2020" left="4"/>)");
    auto surface = Draw("tile", {0, 0, 10, 2});
    const std::uint32_t expected[10] = {kRed,  kGrey,  kWhite, kCyan,    kMagenta,
                                        kGrey, kWhite, kCyan,  kMagenta, kBlue};
    for (int x = 0; x < 10; ++x)
        EXPECT_EQ(PixelAt(surface.get(), x, 1), expected[x]) << x;

    surface = Draw("flipped", {0, 0, 6, 2});
    EXPECT_EQ(PixelAt(surface.get(), 0, 0), kBlue);
    EXPECT_EQ(PixelAt(surface.get(), 5, 0), kRed);

    // Only the last two columns, stretched to four pixels.
    EXPECT_EQ(BkSkin::GetSkin("offset")->GetSkinSize(), (platform::Size{2, 2}));
    surface = Draw("offset", {0, 0, 4, 2});
    EXPECT_EQ(PixelAt(surface.get(), 0, 0), kMagenta);
    EXPECT_EQ(PixelAt(surface.get(), 3, 1), kBlue);
}

TEST_F(BkSkinTest, StateStripPicksThePieceModuloTheCount) {
    bkwin_test::WritePng(PngResource(2030), 12, 4, [](cairo_surface_t* s) {
        FillRect(s, {0, 0, 4, 4}, kRed);
        FillRect(s, {4, 0, 8, 4}, kGreen);
        FillRect(s, {8, 0, 12, 4}, kBlue);
    });
    LoadSkin(R"(<png name="states" src="2030" subwidth="4"/>)");
    EXPECT_EQ(BkSkin::GetSkin("states")->GetSkinSize(), (platform::Size{4, 4}));
    for (const auto& [state, colour] :
         {std::pair{0, kRed}, std::pair{2, kBlue}, std::pair{4, kGreen}, std::pair{6, kRed}}) {
        // Drawn at its own size, whatever the rectangle.
        const auto surface = Draw("states", {5, 5, 45, 45}, state);
        EXPECT_EQ(PixelAt(surface.get(), 5, 5), colour) << state;
        EXPECT_EQ(PixelAt(surface.get(), 8, 8), colour) << state;
        EXPECT_EQ(PixelAt(surface.get(), 9, 5), 0u) << state;
        EXPECT_EQ(PixelAt(surface.get(), 5, 9), 0u) << state;
    }
}

TEST_F(BkSkinTest, DpiFlagScalesMarginsAndPreScaledImagesDrawAtTheirOwnPixels) {
    EnableDpi(192);
    bkwin_test::WritePng(PngResource(2040), 9, 9, [](cairo_surface_t* s) { PaintGrid(s, 3); });
    LoadSkin(R"(<png name="frame" src="2040" margin_left="3" margin_right="3" margin_top="3"
                     margin_bottom="3"/>)");
    auto surface = Draw("frame", {0, 0, 30, 30}, 0, true);
    EXPECT_EQ(PixelAt(surface.get(), 5, 5), kRed);
    EXPECT_EQ(PixelAt(surface.get(), 24, 24), kBlue);
    EXPECT_EQ(PixelAt(surface.get(), 6, 2), kGrey);

    // A 2.0 set: the same grid with 6-pixel cells and a one-pixel white mark in the red corner,
    // which survives only when the image is drawn 1:1.
    bkwin_test::WritePng(folder_ / "program/ressrc/chs/dpiimg/2.0/quiretest/2041_2.0.png", 18, 18,
                         [](cairo_surface_t* s) {
                             PaintGrid(s, 6);
                             FillRect(s, {2, 2, 3, 3}, kWhite);
                         });
    bkwin_test::WritePng(PngResource(2041), 9, 9, [](cairo_surface_t* s) { PaintGrid(s, 3); });
    LoadSkin(R"(<png name="scaled" src="2041" margin_left="3" margin_right="3" margin_top="3"
                     margin_bottom="3"/>)");
    EXPECT_EQ(BkSkin::GetSkin("scaled")->GetSkinSize(), (platform::Size{9, 9}));
    surface = Draw("scaled", {0, 0, 30, 30}, 0, true);
    EXPECT_EQ(PixelAt(surface.get(), 2, 2), kWhite);
    EXPECT_EQ(PixelAt(surface.get(), 1, 2), kRed);
    EXPECT_EQ(PixelAt(surface.get(), 3, 2), kRed);
    EXPECT_EQ(PixelAt(surface.get(), 24, 24), kBlue);
}

TEST_F(BkSkinTest, BadPngDataDrawsNothing) {
    fs::create_directories(PngResource(2050).parent_path());
    std::ofstream(PngResource(2050)) << "not a png";
    // A valid header announcing a 9000-pixel-wide image is refused before decoding.
    std::string header("\x89PNG\r\n\x1a\n\0\0\0\x0dIHDR\0\0\x23\x28\0\0\0\x01\x08\x06\0\0\0", 29);
    EXPECT_EQ(BkPngPool::Decode(header), nullptr);
    EXPECT_EQ(BkPngPool::Decode(header.substr(0, 20)), nullptr);
    std::ofstream(PngResource(2051), std::ios::binary) << header;
    LoadSkin(R"(<png name="junk" src="2050"/><png name="huge" src="2051"/>
                <png name="missing" src="2052"/>)");
    for (const char* name : {"junk", "huge", "missing"}) {
        EXPECT_EQ(BkSkin::GetSkin(name)->GetSkinSize(), (platform::Size{0, 0}));
        const auto surface = Draw(name, {0, 0, 50, 50});
        EXPECT_TRUE(bkwin_test::InkBounds(surface.get()).IsEmpty()) << name;
    }
}

}  // namespace
}  // namespace BkWin
