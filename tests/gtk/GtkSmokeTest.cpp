#include <gio/gio.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "gtk/GtkTestSupport.h"
#include "platform/FileUri.h"
#include "platform/gtk/FilePattern.h"
#include "platform/gtk/GtkNativeWindow.h"
#include "platform/gtk/GtkWindowSystem.h"
#include "platform/gtk/UriList.h"

namespace platform {
namespace {

std::unique_ptr<GtkNativeWindow> AsGtk(std::unique_ptr<NativeWindow> window) {
    return std::unique_ptr<GtkNativeWindow>(static_cast<GtkNativeWindow*>(window.release()));
}

class Smoke : public testing::Test {
protected:
    void SetUp() override {
        system_ = GtkWindowSystem::Create();
        ASSERT_NE(system_, nullptr) << "no display";
    }

    std::unique_ptr<GtkNativeWindow> ShownWindow(Size size, NativeWindow* owner = nullptr) {
        WindowOptions options;
        options.title = "测试";
        options.size = size;
        options.owner = owner;
        auto window = AsGtk(system_->CreateWindow(options));
        window->Show();
        EXPECT_TRUE(SpinUntil([&] { return gtk_widget_get_mapped(window->Canvas()); }));
        return window;
    }

    // Sets off a guard that ends every loop with -1 when a test has stalled.
    guint StartGuard() {
        return g_timeout_add(
            kWaitLimitMs,
            [](gpointer system) {
                static_cast<GtkWindowSystem*>(system)->Quit(-1);
                return G_SOURCE_REMOVE;
            },
            system_.get());
    }

    std::unique_ptr<GtkWindowSystem> system_;
};

TEST_F(Smoke, PaintingReachesTheWindow) {
    auto window = ShownWindow({980, 600});
    int paints = 0;
    Rect painted;
    window->on_paint = [&](cairo_t* cr, const Rect& dirty) {
        ++paints;
        painted = painted.Union(dirty);
        cairo_set_source_rgb(cr, 0, 0, 1);
        cairo_paint(cr);
        cairo_set_source_rgb(cr, 1, 0, 0);
        cairo_rectangle(cr, 100, 100, 100, 100);
        cairo_fill(cr);
    };
    window->InvalidateAll();
    const auto pixel_at = [&](int x, int y) {
        gdk_display_sync(gdk_display_get_default());
        GdkPixbuf* pixbuf =
            gdk_pixbuf_get_from_window(gtk_widget_get_window(window->Canvas()), x, y, 1, 1);
        if (!pixbuf)
            return 0u;
        const guchar* rgb = gdk_pixbuf_read_pixels(pixbuf);
        const unsigned value = (rgb[0] << 16) | (rgb[1] << 8) | rgb[2];
        g_object_unref(pixbuf);
        return value;
    };
    EXPECT_TRUE(SpinUntil([&] { return paints > 0 && pixel_at(150, 150) == 0xFF0000u; }));
    EXPECT_EQ(pixel_at(150, 150), 0xFF0000u);
    EXPECT_EQ(pixel_at(500, 300), 0x0000FFu);
    EXPECT_EQ(painted.Intersect(Rect{0, 0, 980, 600}), (Rect{0, 0, 980, 600}));
    EXPECT_EQ(window->ClientSize(), (Size{980, 600}));
}

TEST_F(Smoke, MousePressesWheelAndDoubleClicksArriveAsTheFrameworkExpects) {
    auto window = ShownWindow({300, 200});
    std::vector<MouseEvent> events;
    window->on_mouse = [&](const MouseEvent& event) { events.push_back(event); };
    GdkWindow* canvas = gtk_widget_get_window(window->Canvas());
    GdkDevice* pointer =
        gdk_seat_get_pointer(gdk_display_get_default_seat(gdk_display_get_default()));
    const auto send = [&](GdkEventType type, guint32 time, auto fill) {
        GdkEvent* event = gdk_event_new(type);
        event->any.window = GDK_WINDOW(g_object_ref(canvas));
        event->any.send_event = TRUE;
        gdk_event_set_device(event, pointer);
        fill(event, time);
        gtk_main_do_event(event);
        gdk_event_free(event);
    };
    const auto button = [&](GdkEventType type, guint32 time) {
        send(type, time, [](GdkEvent* event, guint32 at) {
            event->button.time = at;
            event->button.button = GDK_BUTTON_PRIMARY;
            event->button.x = 40.5;
            event->button.y = 30;
        });
    };
    // GDK's sequence for a double click: press, release, press, double press, release.
    button(GDK_BUTTON_PRESS, 1000);
    button(GDK_BUTTON_RELEASE, 1010);
    button(GDK_BUTTON_PRESS, 1100);
    button(GDK_2BUTTON_PRESS, 1100);
    button(GDK_BUTTON_RELEASE, 1110);
    // A later press, long after, is a plain press again.
    button(GDK_BUTTON_PRESS, 9000);
    send(GDK_SCROLL, 9100, [](GdkEvent* event, guint32 at) {
        event->scroll.time = at;
        event->scroll.direction = GDK_SCROLL_UP;
    });
    send(GDK_SCROLL, 9200, [](GdkEvent* event, guint32 at) {
        event->scroll.time = at;
        event->scroll.direction = GDK_SCROLL_SMOOTH;
        event->scroll.delta_y = 0.5;  // half a notch towards the user
    });

    std::vector<MouseAction> actions;
    for (const MouseEvent& event : events)
        actions.push_back(event.action);
    EXPECT_EQ(actions, (std::vector<MouseAction>{MouseAction::kPress, MouseAction::kRelease,
                                                 MouseAction::kDoubleClick, MouseAction::kRelease,
                                                 MouseAction::kPress, MouseAction::kWheel,
                                                 MouseAction::kWheel}));
    ASSERT_EQ(events.size(), 7u);
    EXPECT_EQ(events[0].position, (Point{40, 30}));
    EXPECT_EQ(events[0].button, MouseButton::kLeft);
    EXPECT_EQ(events[5].wheel_delta, 120);
    EXPECT_EQ(events[6].wheel_delta, -60);
}

TEST_F(Smoke, PopupSitsRelativeToItsOwner) {
    auto owner = ShownWindow({500, 400});
    WindowOptions options;
    options.popup = true;
    options.owner = owner.get();
    options.size = {120, 80};
    options.position_in_owner = {50, 60};
    auto popup = AsGtk(system_->CreateWindow(options));
    popup->Show();
    ASSERT_TRUE(SpinUntil([&] { return gtk_widget_get_mapped(popup->Canvas()); }));
    const auto offset = [&] {
        Point owner_origin;
        Point popup_origin;
        gdk_window_get_origin(gtk_widget_get_window(owner->Canvas()), &owner_origin.x,
                              &owner_origin.y);
        gdk_window_get_origin(gtk_widget_get_window(popup->Canvas()), &popup_origin.x,
                              &popup_origin.y);
        return Point{popup_origin.x - owner_origin.x, popup_origin.y - owner_origin.y};
    };
    EXPECT_TRUE(SpinUntil([&] { return offset() == Point{50, 60}; }));
    popup->Move({10, 20});
    EXPECT_TRUE(SpinUntil([&] { return offset() == Point{10, 20}; }));

    // Dragging the owner takes the popup along.
    int x = 0;
    int y = 0;
    gtk_window_get_position(owner->Toplevel(), &x, &y);
    gtk_window_move(owner->Toplevel(), x + 70, y + 30);
    EXPECT_TRUE(SpinUntil([&] {
        int moved_x = 0;
        int moved_y = 0;
        gtk_window_get_position(owner->Toplevel(), &moved_x, &moved_y);
        return moved_x == x + 70 && moved_y == y + 30 && offset() == Point{10, 20};
    }));
}

TEST_F(Smoke, CloseRequestDecidesWhetherTheWindowGoes) {
    auto window = ShownWindow({300, 200});
    bool allow = false;
    int asked = 0;
    window->on_close_request = [&] {
        ++asked;
        return allow;
    };
    const auto request_close = [&] {
        GdkEvent* event = gdk_event_new(GDK_DELETE);
        event->any.window =
            GDK_WINDOW(g_object_ref(gtk_widget_get_window(GTK_WIDGET(window->Toplevel()))));
        event->any.send_event = TRUE;
        gtk_main_do_event(event);
        gdk_event_free(event);
    };
    request_close();
    EXPECT_TRUE(window->IsVisible());
    allow = true;
    request_close();
    EXPECT_FALSE(window->IsVisible());
    EXPECT_EQ(asked, 2);
}

// A file manager's drop: one local file with a Chinese name, escaped, beside URIs that must
// not turn into files.
TEST_F(Smoke, DropHandsOverLocalFilesOnly) {
    char folder_template[] = "/tmp/quire-gtk-drop-XXXXXX";
    ASSERT_NE(mkdtemp(folder_template), nullptr);
    const std::filesystem::path folder = folder_template;
    const std::filesystem::path file = folder / "报告 第1版.pdf";
    std::ofstream(file) << "%PDF-1.4\n";
    const std::string uri_list = "# dropped\r\n" + FileUriFromPath(file.string()) +
                                 "\r\nhttp://example.com/a.pdf\r\nfile://server/share/b.pdf\r\n"
                                 "file:///tmp/bad%2\r\n";
    EXPECT_EQ(LocalPathsFromUriList(uri_list), std::vector<std::filesystem::path>{file});

    auto window = ShownWindow({400, 300});
    std::vector<std::filesystem::path> dropped;
    Point dropped_at;
    window->on_drop = [&](const std::vector<std::filesystem::path>& files, Point at) {
        dropped = files;
        dropped_at = at;
    };
    ASSERT_TRUE(EmitUriListDrop(window->Canvas(), uri_list, {30, 40}));

    EXPECT_EQ(dropped, std::vector<std::filesystem::path>{file});
    EXPECT_EQ(dropped_at, (Point{30, 40}));
    std::filesystem::remove_all(folder);
}

TEST_F(Smoke, TypedTextReachesTheEditWithinItsLimit) {
    auto window = ShownWindow({400, 300});
    EditOptions options;
    options.max_chars = 4;
    options.hint = "文件名";
    auto edit = window->CreateEdit(options);
    edit->SetRect({10, 10, 210, 40});
    std::vector<std::string> changes;
    int activations = 0;
    edit->on_change = [&](const std::string& text) { changes.push_back(text); };
    edit->on_activate = [&] { ++activations; };
    edit->Focus();

    TypeText(*window, "ab中文字");
    SendKey(*window, GDK_KEY_Return);

    EXPECT_EQ(edit->Text(), "ab中文");
    ASSERT_FALSE(changes.empty());
    EXPECT_EQ(changes.back(), "ab中文");
    EXPECT_EQ(activations, 1);

    // Keys go to the framework again once the drawing area has the focus.
    std::vector<KeyEvent> keys;
    window->on_key = [&](const KeyEvent& key) { keys.push_back(key); };
    gtk_widget_grab_focus(window->Canvas());
    TypeText(*window, "z");
    ASSERT_EQ(keys.size(), 2u);
    EXPECT_TRUE(keys[0].pressed);
    EXPECT_EQ(keys[0].keysym, static_cast<std::uint32_t>(GDK_KEY_z));
    EXPECT_EQ(keys[0].text, "z");
    EXPECT_EQ(edit->Text(), "ab中文");
}

TEST_F(Smoke, MultiLineEditKeepsItsCharacterLimit) {
    auto window = ShownWindow({400, 300});
    EditOptions options;
    options.multi_line = true;
    options.max_chars = 4;
    auto edit = window->CreateEdit(options);
    std::vector<std::string> changes;
    edit->on_change = [&](const std::string& text) { changes.push_back(text); };

    edit->SetText("一二\n三四五六");
    EXPECT_EQ(edit->Text(), "一二\n三");
    EXPECT_EQ(changes, std::vector<std::string>{"一二\n三"});
    edit->SetText("一二\n三");
    EXPECT_EQ(changes.size(), 1u);

    edit->Focus();
    TypeText(*window, "x");
    EXPECT_EQ(edit->Text(), "一二\n三");
    // The edit outlives its window without harm.
    window.reset();
    edit->SetText("x");
    edit.reset();
}

TEST_F(Smoke, TimersTickUntilStoppedAndPostsArriveInOrderWhileTheSystemLives) {
    const guint guard = StartGuard();
    int ticks = 0;
    TimerId timer = 0;
    timer = system_->StartTimer(std::chrono::milliseconds(5), [&] {
        if (++ticks == 3)
            system_->StopTimer(timer);
    });
    std::vector<int> arrived;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            system_->Post([&arrived, i] { arrived.push_back(i); });
    });
    // The loop ends once all is in, after a pause in which a stopped timer would tick on.
    bool ending = false;
    system_->StartTimer(std::chrono::milliseconds(1), [&] {
        if (ending || ticks < 3 || arrived.size() < 50)
            return;
        ending = true;
        system_->StartTimer(std::chrono::milliseconds(60), [&] { system_->Quit(7); });
    });
    const int code = system_->Run();
    worker.join();
    g_source_remove(guard);

    EXPECT_EQ(code, 7);
    EXPECT_EQ(ticks, 3);
    std::vector<int> expected(50);
    for (int i = 0; i < 50; ++i)
        expected[i] = i;
    EXPECT_EQ(arrived, expected);

    // What is still queued when the system goes is dropped, not run against a dead system.
    std::atomic<bool> ran = false;
    system_->Post([&] { ran = true; });
    system_.reset();
    SpinPending();
    EXPECT_FALSE(ran);
}

TEST_F(Smoke, ModalLoopsNestAndEndInnermostFirst) {
    auto owner = ShownWindow({500, 400});
    auto outer_dialog = ShownWindow({300, 200}, owner.get());
    auto inner_dialog = ShownWindow({200, 100}, outer_dialog.get());
    auto hidden = AsGtk(system_->CreateWindow(WindowOptions{}));
    EXPECT_EQ(system_->RunModal(*hidden), -1);

    const guint guard = StartGuard();
    std::vector<std::string> log;
    system_->Post([&] {
        system_->Post([&] {
            // Ending the outer dialog while the inner loop runs must not end the inner one.
            system_->EndModal(*outer_dialog, 1);
            log.push_back("outer ended");
            system_->Post([&] { system_->EndModal(*inner_dialog, 2); });
        });
        log.push_back("inner " + std::to_string(system_->RunModal(*inner_dialog)));
    });
    log.push_back("outer " + std::to_string(system_->RunModal(*outer_dialog)));
    g_source_remove(guard);

    EXPECT_EQ(log, (std::vector<std::string>{"outer ended", "inner 2", "outer 1"}));
    EXPECT_FALSE(gtk_window_get_modal(outer_dialog->Toplevel()));

    // A dialog destroyed inside its own loop ends it.
    const guint second_guard = StartGuard();
    NativeWindow& doomed = *inner_dialog;
    system_->Post([&] { inner_dialog.reset(); });
    EXPECT_EQ(system_->RunModal(doomed), -1);
    g_source_remove(second_guard);
    EXPECT_EQ(inner_dialog, nullptr);
}

GtkFileChooser* OpenChooserDialog() {
    GList* toplevels = gtk_window_list_toplevels();
    GtkFileChooser* found = nullptr;
    for (GList* node = toplevels; node && !found; node = node->next)
        if (GTK_IS_FILE_CHOOSER_DIALOG(node->data) &&
            gtk_widget_get_visible(GTK_WIDGET(node->data)))
            found = GTK_FILE_CHOOSER(node->data);
    g_list_free(toplevels);
    return found;
}

// Plays the user of the chooser: picks `pick`, or cancels when it is empty. `shown` learns
// whether the chooser's filter lets the pick be seen.
void AnswerChooser(GtkWindowSystem& system, std::filesystem::path pick, bool* shown) {
    system.Post([pick, shown] {
        GtkFileChooser* chooser = nullptr;
        if (!SpinUntil([&] { return (chooser = OpenChooserDialog()) != nullptr; }))
            return;
        if (GtkFileFilter* filter = gtk_file_chooser_get_filter(chooser)) {
            const std::string name = pick.filename().string();
            GtkFileFilterInfo info{};
            info.contains = GTK_FILE_FILTER_DISPLAY_NAME;
            info.display_name = name.c_str();
            *shown = gtk_file_filter_filter(filter, &info);
        }
        if (!pick.empty()) {
            gtk_file_chooser_select_filename(chooser, pick.c_str());
            SpinUntil([&] {
                GSList* names = gtk_file_chooser_get_filenames(chooser);
                const bool chosen = names != nullptr;
                g_slist_free_full(names, g_free);
                return chosen;
            });
        }
        gtk_dialog_response(GTK_DIALOG(chooser),
                            pick.empty() ? GTK_RESPONSE_CANCEL : GTK_RESPONSE_ACCEPT);
    });
}

TEST_F(Smoke, FileChooserFiltersIgnoreCaseAndReturnThePickOrNothing) {
    EXPECT_EQ(CaseInsensitiveGlob("*.pdf"), "*.[pP][dD][fF]");
    EXPECT_EQ(CaseInsensitiveGlob("*.[jJ]pg"), "*.[jJ][pP][gG]");
    EXPECT_EQ(CaseInsensitiveGlob("*.7z"), "*.7[zZ]");

    char folder_template[] = "/tmp/quire-gtk-choose-XXXXXX";
    ASSERT_NE(mkdtemp(folder_template), nullptr);
    const std::filesystem::path folder = folder_template;
    const std::filesystem::path file = folder / "扫描件.PDF";
    std::ofstream(file) << "%PDF-1.4\n";
    auto owner = ShownWindow({500, 400});
    FileChooserOptions options;
    options.owner = owner.get();
    options.title = "选择文件";
    options.filters = {FileFilter{"PDF 文件", {"*.pdf"}}};
    options.start_folder = folder;

    bool shown = false;
    AnswerChooser(*system_, file, &shown);
    EXPECT_EQ(system_->ChooseFiles(options), std::vector<std::filesystem::path>{file});
    EXPECT_TRUE(shown);
    AnswerChooser(*system_, {}, &shown);
    EXPECT_EQ(system_->ChooseFiles(options), std::nullopt);
    std::filesystem::remove_all(folder);
}

// The private session bus of the test run has neither a tray host nor a notification daemon.
TEST_F(Smoke, DesktopServicesReportTheirAbsence) {
    EXPECT_EQ(system_->CreateTrayIcon("/nonexistent/icon.png", "Quire"), nullptr);
    EXPECT_FALSE(system_->Notify("标题", "正文"));
    EXPECT_FALSE(system_->OpenUri("javascript:alert(1)"));
    EXPECT_FALSE(system_->OpenUri("smb://server/share"));

    if (!std::getenv("DBUS_SESSION_BUS_ADDRESS"))
        GTEST_SKIP() << "no session bus to host a stand-in tray";
    GDBusConnection* bus = g_bus_get_sync(G_BUS_TYPE_SESSION, nullptr, nullptr);
    ASSERT_NE(bus, nullptr);
    const guint owner = g_bus_own_name_on_connection(bus, "org.kde.StatusNotifierWatcher",
                                                     G_BUS_NAME_OWNER_FLAGS_NONE, nullptr, nullptr,
                                                     nullptr, nullptr);
    EXPECT_TRUE(SpinUntil([&] {
        GVariant* reply = g_dbus_connection_call_sync(
            bus, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus",
            "NameHasOwner", g_variant_new("(s)", "org.kde.StatusNotifierWatcher"),
            G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NONE, 500, nullptr, nullptr);
        gboolean owned = FALSE;
        if (reply) {
            g_variant_get(reply, "(b)", &owned);
            g_variant_unref(reply);
        }
        return owned == TRUE;
    }));
    auto icon = system_->CreateTrayIcon("/nonexistent/icon.png", "Quire");
    EXPECT_NE(icon, nullptr);
    icon.reset();
    g_bus_unown_name(owner);
    g_object_unref(bus);
}

}  // namespace
}  // namespace platform
