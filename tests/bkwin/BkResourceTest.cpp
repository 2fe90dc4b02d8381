#include "bkwin/BkResource.h"

#include <cairo.h>
#include <gtest/gtest.h>
#include <tinyxml2.h>

#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include "bkwin/ProgramTags.h"
#include "support/TempDir.h"
#include "ui/BkEmbeddedResources.h"

namespace BkWin {
namespace {

void WriteFile(const std::filesystem::path& file, const std::string& bytes) {
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

std::string Embedded(std::string_view type, int id) {
    std::size_t count = 0;
    const BkEmbeddedResource* table = BkEmbeddedResources(&count);
    for (std::size_t i = 0; i < count; ++i) {
        if (table[i].type == type && table[i].id == id) {
            return std::string(reinterpret_cast<const char*>(table[i].bytes), table[i].size);
        }
    }
    ADD_FAILURE() << "no embedded " << type << " " << id;
    return {};
}

// The override folder is process-wide: every test starts and ends without one.
class BkResourceTest : public ::testing::Test {
protected:
    void SetUp() override { BkResource::SetOverrideFolder({}); }
    void TearDown() override { BkResource::SetOverrideFolder({}); }

    ScopedEnv no_environment_folder_{"QUIRE_RESOURCE_DIR", nullptr};
    TempDir dir_;
};

TEST_F(BkResourceTest, FindsEmbeddedResourcesWhateverTheTypeCase) {
    const std::string strings = Embedded("xml", 60002);
    for (std::string_view type : {"xml", "XML", "Xml"}) {
        std::optional<std::string> found = BkResource::Find(type, 60002);
        ASSERT_TRUE(found) << type;
        EXPECT_EQ(*found, strings);
    }
    std::optional<std::string> png = BkResource::Find("PNG", 1005);
    ASSERT_TRUE(png);
    EXPECT_EQ(png->substr(0, 8), "\x89PNG\r\n\x1a\n");
}

TEST_F(BkResourceTest, UnknownResourcesAreNotFound) {
    EXPECT_FALSE(BkResource::Find("xml", 12345));
    EXPECT_FALSE(BkResource::Find("png", 60000));  // the id belongs to another type
    EXPECT_FALSE(BkResource::Find("bmp", 1000));
    EXPECT_FALSE(BkResource::Find("", 1000));
}

TEST_F(BkResourceTest, OverrideFolderWinsFileByFile) {
    WriteFile(dir_ / "xml/19999.xml", "<layer/>");
    BkResource::SetOverrideFolder(dir_.Path());

    EXPECT_EQ(BkResource::Find("XML", 19999), "<layer/>");
    EXPECT_EQ(BkResource::Find("xml", 60002), Embedded("xml", 60002));
}

TEST_F(BkResourceTest, EnvironmentFolderServesWhenNoneIsSet) {
    WriteFile(dir_ / "env/png/1000.png", "from the environment");
    WriteFile(dir_ / "set/png/1000.png", "from the setting");
    ScopedEnv environment("QUIRE_RESOURCE_DIR", (dir_ / "env").string());

    EXPECT_EQ(BkResource::Find("png", 1000), "from the environment");
    BkResource::SetOverrideFolder(dir_ / "set");
    EXPECT_EQ(BkResource::Find("png", 1000), "from the setting");
}

TEST_F(BkResourceTest, UnusableOverrideFilesFallBackToTheBuiltInCopy) {
    std::filesystem::create_directories(dir_ / "xml/60000.xml");  // a folder, not a file
    WriteFile(dir_ / "xml/60001.xml", "");
    std::filesystem::resize_file(dir_ / "xml/60001.xml", 32 * 1024 * 1024 + 1);
    BkResource::SetOverrideFolder(dir_.Path());

    EXPECT_EQ(BkResource::Find("xml", 60000), Embedded("xml", 60000));
    EXPECT_EQ(BkResource::Find("xml", 60001), Embedded("xml", 60001));
}

TEST_F(BkResourceTest, TypeCannotLeadOutOfTheOverrideFolder) {
    // "<folder>/../b/19999.../b" would name this file if the type were used as given.
    WriteFile(dir_ / "b/19999.../b", "outside");
    BkResource::SetOverrideFolder(dir_ / "a");
    std::filesystem::create_directories(dir_ / "a");

    EXPECT_FALSE(BkResource::Find("../b", 19999));
}

// The shipped resources themselves: they are outside input for the framework, so a broken
// reference between them shows up here rather than as a blank control.
class ShippedResourcesTest : public ::testing::Test {
protected:
    static tinyxml2::XMLDocument& Parse(tinyxml2::XMLDocument& doc, int id) {
        const std::string xml = Embedded("xml", id);
        EXPECT_EQ(doc.Parse(xml.data(), xml.size()), tinyxml2::XML_SUCCESS) << id;
        return doc;
    }

    // name attribute → element, for the children of a resource's root.
    static std::map<std::string, const tinyxml2::XMLElement*> ByName(
        const tinyxml2::XMLDocument& doc) {
        std::map<std::string, const tinyxml2::XMLElement*> named;
        for (auto* e = doc.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement()) {
            if (const char* name = e->Attribute("name")) {
                named.emplace(name, e);
            }
        }
        return named;
    }

    template <typename Visit>
    static void ForEachElement(const tinyxml2::XMLElement* element, Visit&& visit) {
        visit(*element);
        for (auto* c = element->FirstChildElement(); c; c = c->NextSiblingElement()) {
            ForEachElement(c, visit);
        }
    }

    static const std::vector<int>& LayoutIds() {
        static const std::vector<int> ids = {19998, 19999};
        return ids;
    }
};

TEST_F(ShippedResourcesTest, EveryXmlResourceParses) {
    std::size_t count = 0;
    const BkEmbeddedResource* table = BkEmbeddedResources(&count);
    int xml_count = 0;
    for (std::size_t i = 0; i < count; ++i) {
        if (table[i].type != "xml") {
            continue;
        }
        ++xml_count;
        tinyxml2::XMLDocument doc;
        EXPECT_EQ(doc.Parse(reinterpret_cast<const char*>(table[i].bytes), table[i].size),
                  tinyxml2::XML_SUCCESS)
            << table[i].id << ": " << doc.ErrorStr();
    }
    EXPECT_GE(xml_count, 5);
}

TEST_F(ShippedResourcesTest, EverySkinNamesADecodablePngThatFitsItsLayout) {
    tinyxml2::XMLDocument skins;
    Parse(skins, 60000);
    ASSERT_STREQ(skins.RootElement()->Name(), "skins");
    for (const auto& [name, skin] : ByName(skins)) {
        SCOPED_TRACE(name);
        std::optional<std::string> png = BkResource::Find("png", skin->IntAttribute("src"));
        ASSERT_TRUE(png);
        struct Reader {
            std::string_view rest;
        } reader{*png};
        cairo_surface_t* image = cairo_image_surface_create_from_png_stream(
            [](void* closure, unsigned char* data, unsigned int length) {
                auto* r = static_cast<Reader*>(closure);
                if (r->rest.size() < length) {
                    return CAIRO_STATUS_READ_ERROR;
                }
                std::memcpy(data, r->rest.data(), length);
                r->rest.remove_prefix(length);
                return CAIRO_STATUS_SUCCESS;
            },
            &reader);
        ASSERT_EQ(cairo_surface_status(image), CAIRO_STATUS_SUCCESS);
        const int width = cairo_image_surface_get_width(image);
        const int height = cairo_image_surface_get_height(image);
        cairo_surface_destroy(image);

        if (int sub = skin->IntAttribute("subwidth"); sub > 0) {
            EXPECT_EQ(width % sub, 0) << "strip of " << width << " in states of " << sub;
        }
        EXPECT_LE(skin->IntAttribute("margin_left") + skin->IntAttribute("margin_right"), width);
        EXPECT_LE(skin->IntAttribute("margin_top") + skin->IntAttribute("margin_bottom"), height);
    }
}

TEST_F(ShippedResourcesTest, LayoutsAndStylesNameExistingSkinsAndClasses) {
    tinyxml2::XMLDocument skins, styles;
    const auto skin_names = ByName(Parse(skins, 60000));
    const auto class_names = ByName(Parse(styles, 60001));
    for (const auto& [name, style] : class_names) {
        if (const char* skin = style->Attribute("skin")) {
            EXPECT_TRUE(skin_names.count(skin)) << "class " << name << " skin " << skin;
        }
    }
    for (int id : LayoutIds()) {
        tinyxml2::XMLDocument layout;
        ForEachElement(Parse(layout, id).RootElement(), [&](const tinyxml2::XMLElement& e) {
            for (const char* attribute : {"skin", "skin_check", "frame"}) {
                if (const char* skin = e.Attribute(attribute)) {
                    EXPECT_TRUE(skin_names.count(skin)) << id << " " << e.Name() << " " << skin;
                }
            }
            if (const char* name = e.Attribute("class")) {
                EXPECT_TRUE(class_names.count(name)) << id << " " << e.Name() << " " << name;
            }
        });
    }
}

TEST_F(ShippedResourcesTest, StringMarkersNameExistingStrings) {
    tinyxml2::XMLDocument strings;
    Parse(strings, 60002);
    std::map<int, std::string> table;
    for (auto* s = strings.RootElement()->FirstChildElement("s"); s;
         s = s->NextSiblingElement("s")) {
        table.emplace(s->IntAttribute("id"), s->GetText() ? s->GetText() : "");
    }
    EXPECT_EQ(table[1], "微软雅黑");
    EXPECT_EQ(table[2], "宋体");

    for (int id : LayoutIds()) {
        const std::string layout = Embedded("xml", id);
        const std::regex marker("%str([0-9]+)%");
        int markers = 0;
        for (std::sregex_iterator it(layout.begin(), layout.end(), marker), end; it != end;
             ++it, ++markers) {
            const int string_id = std::stoi((*it)[1]);
            EXPECT_TRUE(table.count(string_id) && !table[string_id].empty())
                << id << " names string " << string_id;
        }
        EXPECT_GT(markers, 0) << id;
    }
}

TEST_F(ShippedResourcesTest, DemoLayoutUsesEveryControlTagOfTheProgram) {
    tinyxml2::XMLDocument layout;
    std::set<std::string> tags;
    ForEachElement(Parse(layout, 19999).RootElement(),
                   [&](const tinyxml2::XMLElement& e) { tags.insert(e.Name()); });
    for (const char* tag : kProgramLayoutTags) {
        EXPECT_TRUE(tags.count(tag)) << tag;
    }
}

}  // namespace
}  // namespace BkWin
