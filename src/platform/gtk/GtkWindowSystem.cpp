#include "platform/gtk/GtkWindowSystem.h"

#include <gtk/gtk.h>
#include <libnotify/notify.h>

#include <algorithm>
#include <mutex>

#include "platform/Text.h"
#include "platform/gtk/FilePattern.h"
#include "platform/gtk/GtkNativeWindow.h"
#include "platform/gtk/GtkTrayIcon.h"
#include "platform/gtk/PostQueue.h"
#include "platform/gtk/SessionBus.h"
#include "platform/gtk/ValidUtf8.h"

namespace platform {
namespace {

constexpr char kTrayWatcher[] = "org.kde.StatusNotifierWatcher";
constexpr char kNotificationService[] = "org.freedesktop.Notifications";
constexpr char kApplicationName[] = "Quire";

bool InitGtk() {
    static std::once_flag once;
    static bool opened = false;
    std::call_once(once, [] { opened = gtk_init_check(nullptr, nullptr); });
    return opened;
}

GtkWindow* ParentOf(NativeWindow* owner) {
    auto* window = dynamic_cast<GtkNativeWindow*>(owner);
    return window ? window->Toplevel() : nullptr;
}

struct UnrefObject {
    void operator()(gpointer object) const { g_object_unref(object); }
};

std::unique_ptr<GtkFileChooserNative, UnrefObject> NewChooser(NativeWindow* owner,
                                                              const std::string& title,
                                                              GtkFileChooserAction action,
                                                              const std::filesystem::path& start) {
    std::unique_ptr<GtkFileChooserNative, UnrefObject> chooser(gtk_file_chooser_native_new(
        ValidUtf8(title).c_str(), ParentOf(owner), action, nullptr, nullptr));
    gtk_native_dialog_set_modal(GTK_NATIVE_DIALOG(chooser.get()), TRUE);
    gtk_file_chooser_set_local_only(GTK_FILE_CHOOSER(chooser.get()), TRUE);
    if (!start.empty())
        gtk_file_chooser_set_current_folder(GTK_FILE_CHOOSER(chooser.get()), start.c_str());
    return chooser;
}

void AddFilters(GtkFileChooser* chooser, const std::vector<FileFilter>& filters) {
    for (const FileFilter& filter : filters) {
        GtkFileFilter* gtk_filter = gtk_file_filter_new();
        gtk_file_filter_set_name(gtk_filter, ValidUtf8(filter.name).c_str());
        for (const std::string& pattern : filter.patterns)
            gtk_file_filter_add_pattern(gtk_filter, CaseInsensitiveGlob(pattern).c_str());
        gtk_file_chooser_add_filter(chooser, gtk_filter);
    }
}

std::vector<std::filesystem::path> TakeFilenames(GSList* names) {
    std::vector<std::filesystem::path> paths;
    for (GSList* node = names; node; node = node->next)
        paths.emplace_back(static_cast<const char*>(node->data));
    g_slist_free_full(names, g_free);
    return paths;
}

bool IsOpenableUri(const std::string& uri) {
    return StartsWithIgnoreAsciiCase(uri, "http://") ||
           StartsWithIgnoreAsciiCase(uri, "https://") || StartsWithIgnoreAsciiCase(uri, "file://");
}

}  // namespace

std::unique_ptr<GtkWindowSystem> GtkWindowSystem::Create() {
    if (!InitGtk())
        return nullptr;
    return std::unique_ptr<GtkWindowSystem>(new GtkWindowSystem());
}

GtkWindowSystem::GtkWindowSystem()
    : posts_(std::make_shared<PostQueue>()), main_loop_(g_main_loop_new(nullptr, FALSE)) {}

GtkWindowSystem::~GtkWindowSystem() {
    posts_->Close();
    for (const auto& [id, timer] : timers_)
        g_source_remove(timer.source);
    g_main_loop_unref(main_loop_);
}

std::unique_ptr<NativeWindow> GtkWindowSystem::CreateWindow(const WindowOptions& options) {
    return std::make_unique<GtkNativeWindow>(options);
}

void GtkWindowSystem::Post(std::function<void()> closure) {
    posts_->Post(std::move(closure));
}

TimerId GtkWindowSystem::StartTimer(std::chrono::milliseconds interval,
                                    std::function<void()> tick) {
    const TimerId id = next_timer_++;
    // A zero interval would spin: the shortest timer waits one millisecond.
    const auto ms = static_cast<guint>(
        std::clamp<std::chrono::milliseconds::rep>(interval.count(), 1, G_MAXUINT));
    Timer& timer = timers_[id];
    timer.tick = std::make_shared<std::function<void()>>(std::move(tick));
    timer.source = g_timeout_add_full(G_PRIORITY_DEFAULT, ms, &GtkWindowSystem::OnTimer,
                                      new TimerTag{this, id},
                                      [](gpointer tag) { delete static_cast<TimerTag*>(tag); });
    return id;
}

void GtkWindowSystem::StopTimer(TimerId timer) {
    const auto found = timers_.find(timer);
    if (found == timers_.end())
        return;
    g_source_remove(found->second.source);
    timers_.erase(found);
}

gboolean GtkWindowSystem::OnTimer(gpointer tag) {
    const auto [system, id] = *static_cast<TimerTag*>(tag);
    const auto found = system->timers_.find(id);
    if (found == system->timers_.end())
        return G_SOURCE_REMOVE;
    // The tick may stop its own timer (removing this source) or destroy the system: it keeps
    // its function alive itself and is the last thing this handler touches.
    const std::shared_ptr<std::function<void()>> tick = found->second.tick;
    if (*tick)
        (*tick)();
    return G_SOURCE_CONTINUE;
}

std::uint64_t GtkWindowSystem::NowMs() const {
    return static_cast<std::uint64_t>(g_get_monotonic_time() / 1000);
}

int GtkWindowSystem::Run() {
    if (!quit_requested_)
        g_main_loop_run(main_loop_);
    quit_requested_ = false;
    return quit_code_;
}

// Like a quit message, Quit also ends the modal loops, innermost first, with -1.
void GtkWindowSystem::Quit(int code) {
    quit_code_ = code;
    quit_requested_ = true;
    g_main_loop_quit(main_loop_);
    for (auto frame = modals_.rbegin(); frame != modals_.rend(); ++frame)
        EndFrame(**frame, -1);
}

int GtkWindowSystem::RunModal(NativeWindow& dialog) {
    auto* window = dynamic_cast<GtkNativeWindow*>(&dialog);
    if (!window || !dialog.IsVisible())
        return -1;
    GtkWindow* toplevel = window->Toplevel();
    ModalFrame frame;
    frame.dialog = &dialog;
    frame.loop = g_main_loop_new(nullptr, FALSE);
    const gulong destroy_handler = g_signal_connect_swapped(
        toplevel, "destroy", G_CALLBACK(&GtkWindowSystem::OnModalDialogDestroyed), &frame);
    // A modal window takes a GTK grab: the owner and every other window of ours stop taking
    // input until the loop ends.
    gtk_window_set_modal(toplevel, TRUE);
    modals_.push_back(&frame);
    g_main_loop_run(frame.loop);
    modals_.erase(std::find(modals_.begin(), modals_.end(), &frame));
    if (!frame.destroyed) {
        g_signal_handler_disconnect(toplevel, destroy_handler);
        gtk_window_set_modal(toplevel, FALSE);
    }
    g_main_loop_unref(frame.loop);
    return frame.code;
}

void GtkWindowSystem::EndModal(NativeWindow& dialog, int code) {
    const auto found = std::find_if(modals_.rbegin(), modals_.rend(), [&](const ModalFrame* frame) {
        return frame->dialog == &dialog;
    });
    if (found != modals_.rend())
        EndFrame(**found, code);
}

void GtkWindowSystem::EndFrame(ModalFrame& frame, int code) {
    if (frame.ended)
        return;
    frame.ended = true;
    frame.code = code;
    g_main_loop_quit(frame.loop);
}

void GtkWindowSystem::OnModalDialogDestroyed(gpointer data) {
    auto* frame = static_cast<ModalFrame*>(data);
    frame->destroyed = true;
    EndFrame(*frame, -1);
}

std::optional<std::vector<std::filesystem::path>> GtkWindowSystem::ChooseFiles(
    const FileChooserOptions& options) {
    const auto chooser = NewChooser(options.owner, options.title, GTK_FILE_CHOOSER_ACTION_OPEN,
                                    options.start_folder);
    GtkFileChooser* file_chooser = GTK_FILE_CHOOSER(chooser.get());
    gtk_file_chooser_set_select_multiple(file_chooser, options.multiple);
    AddFilters(file_chooser, options.filters);
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser.get())) != GTK_RESPONSE_ACCEPT)
        return std::nullopt;
    std::vector<std::filesystem::path> paths =
        TakeFilenames(gtk_file_chooser_get_filenames(file_chooser));
    if (paths.empty())
        return std::nullopt;
    return paths;
}

std::optional<std::filesystem::path> GtkWindowSystem::ChooseFolder(
    const FolderChooserOptions& options) {
    const auto chooser = NewChooser(options.owner, options.title,
                                    GTK_FILE_CHOOSER_ACTION_SELECT_FOLDER, options.start_folder);
    if (gtk_native_dialog_run(GTK_NATIVE_DIALOG(chooser.get())) != GTK_RESPONSE_ACCEPT)
        return std::nullopt;
    std::unique_ptr<gchar, decltype(&g_free)> folder(
        gtk_file_chooser_get_filename(GTK_FILE_CHOOSER(chooser.get())), &g_free);
    if (!folder)
        return std::nullopt;
    return std::filesystem::path(folder.get());
}

// Without a StatusNotifierWatcher the indicator library would fall back to an XEmbed icon
// that most current desktops never show; the caller is told instead.
std::unique_ptr<TrayIcon> GtkWindowSystem::CreateTrayIcon(const std::string& icon_png,
                                                          const std::string& tooltip) {
    if (!SessionBusOffers(kTrayWatcher, false))
        return nullptr;
    return std::make_unique<GtkTrayIcon>(icon_png, tooltip);
}

bool GtkWindowSystem::Notify(const std::string& title, const std::string& body) {
    if (!SessionBusOffers(kNotificationService, true))
        return false;
    if (!notify_is_initted() && !notify_init(kApplicationName))
        return false;
    NotifyNotification* notification =
        notify_notification_new(ValidUtf8(title).c_str(), ValidUtf8(body).c_str(), nullptr);
    GError* error = nullptr;
    const bool shown = notify_notification_show(notification, &error);
    g_clear_error(&error);
    g_object_unref(notification);
    return shown;
}

bool GtkWindowSystem::OpenUri(const std::string& uri) {
    if (!IsOpenableUri(uri) || !IsValidUtf8(uri))
        return false;
    GError* error = nullptr;
    const bool opened = gtk_show_uri_on_window(nullptr, uri.c_str(), GDK_CURRENT_TIME, &error);
    g_clear_error(&error);
    return opened;
}

}  // namespace platform
