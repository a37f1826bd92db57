#include "shell/installed_texture.h"

#include <sys/stat.h>
#include <unistd.h>

#include <climits>

const char kInstalledTextureWhere[] = "beside the program, in ../share/vorticel or "
                                      "../../share/vorticel from it, or in " VORTICEL_TEXTURE_DIR;

bool readableFile(const std::string &path) {
    struct stat info;
    return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) &&
           access(path.c_str(), R_OK) == 0;
}

std::string installedTexture() {
    char self[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string folder;
    if (length > 0) {
        self[length] = '\0';
        folder = self;
        folder.erase(folder.find_last_of('/') + 1);
    }
    const char *const nearby[] = {"", "../share/vorticel/", "../../share/vorticel/"};
    if (!folder.empty())
        for (const char *relative : nearby)
            if (readableFile(folder + relative + "grottebl.jpg"))
                return folder + relative + "grottebl.jpg";
    const std::string installed = VORTICEL_TEXTURE_DIR "/grottebl.jpg";
    return readableFile(installed) ? installed : "";
}
