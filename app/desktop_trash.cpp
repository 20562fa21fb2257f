#include "app/desktop_trash.h"

#include <gio/gio.h>

#include <memory>

#include "app/errors.h"

namespace corvane {

void MoveToDesktopTrash(const std::string& path) {
    const std::unique_ptr<GFile, decltype(&g_object_unref)> file(g_file_new_for_path(path.c_str()),
                                                                 &g_object_unref);
    GError* error = nullptr;
    if (g_file_trash(file.get(), nullptr, &error)) return;
    const std::string reason = error ? error->message : "";
    g_clear_error(&error);
    throw ETrashError("ファイル " + path + " をごみ箱へ移せません" + (reason.empty() ? "" : ": " + reason));
}

}  // namespace corvane
