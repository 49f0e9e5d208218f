#include <gtk/gtk.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>

#include "platform/gtk/gtk_internal.h"
#include "platform/gtk/text_convert.h"
#include "platform/process.h"

namespace platform {

void InitializeUiThread() {
  // The command line is not the program's business: GTK gets none of it.
  gtk_init(nullptr, nullptr);
  gtk::InstallProgramIcon();
}

void CreateOwnerWindow() { gtk::Owner() = gtk_window_new(GTK_WINDOW_TOPLEVEL); }

void ReleaseAll() {
  gtk::DestroyAllWindows();
  if (gtk::Owner()) {
    gtk_widget_destroy(gtk::Owner());
    gtk::Owner() = nullptr;
  }
  gtk::UnloadLibraries();
}

void ExitProcess(int code) {
  std::fflush(nullptr);
  std::_Exit(code & 0xFF);
}

Text ProgramPath() { return gtk::FromUtf8(gtk::ExecutablePathUtf8()); }

char PathSeparator() { return '/'; }

void SetWorkingDirectory(const Text& directory) {
  // An empty directory is the root, as for a program in "/".
  const std::string path = directory.empty() ? "/" : gtk::ToUtf8(directory);
  if (chdir(path.c_str()) != 0) {
    // Not looked at by the system; the program runs on from where it started.
  }
}

void SetWindowDestroyedListener(void (*listener)()) { gtk::DestroyedListener() = listener; }

namespace gtk {

std::string ExecutablePathUtf8() {
  char buffer[PATH_MAX];
  const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
  return length > 0 ? std::string(buffer, static_cast<std::size_t>(length)) : std::string();
}

std::string AssetPath(const char* name) {
  const std::string exe = ExecutablePathUtf8();
  return exe.substr(0, exe.rfind('/')) + "/assets/" + name;
}

void InstallProgramIcon() {
  gtk_window_set_default_icon_from_file(AssetPath("icon.png").c_str(), nullptr);
}

GtkWidget*& Owner() {
  static GtkWidget* owner = nullptr;
  return owner;
}

void (*&DestroyedListener())() {
  static void (*listener)() = nullptr;
  return listener;
}

}  // namespace gtk

}  // namespace platform
