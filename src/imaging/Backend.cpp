// Finding and opening the imaging back-end module (imaging/Backend.h).

#include "imaging/Backend.h"

#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <mutex>
#include <sys/stat.h>

// Defined only in programs that link the back end's code into themselves.
extern "C" const tsl::backend::Api* tsl_imaging_backend_api() __attribute__((weak));

namespace tsl::backend {
namespace {

std::string g_problem;               // written once, inside Get()'s call_once
std::atomic<bool> g_tried{false};     // set after it

std::string ExecutableFolder() {
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return {};
    const std::string exe(buffer, static_cast<std::size_t>(n));
    const std::size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string{} : exe.substr(0, slash);
}

bool IsFile(const std::string& path) {
    struct stat st {};
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

const Api* Open() {
    // A program that carries the back end itself (the stand-alone slide-show player, which runs
    // without the program folder) uses that copy.
    if (tsl_imaging_backend_api) return tsl_imaging_backend_api();
    const std::vector<std::string> places = SearchPath();
    std::string tried;
    for (const std::string& path : places) {
        if (!IsFile(path)) {
            tried += (tried.empty() ? "" : ", ") + path;
            continue;
        }
        // The module exports nothing but its entry point (its copies of our static libraries
        // stay its own); global scope makes the libraries it brings visible as when they were
        // linked (the OpenMP runtime's omp_set_num_threads, which forked children look up).
        void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_GLOBAL);
        if (!handle) {
            const char* why = dlerror();
            g_problem = path + " could not be opened: " + (why ? why : "unknown error");
            return nullptr;
        }
        const auto entry = reinterpret_cast<EntryPoint>(dlsym(handle, kEntryPoint));
        const Api* api = entry ? entry() : nullptr;
        if (!api || api->abiVersion != kAbiVersion) {
            g_problem = path + " is not an imaging back-end of this version";
            dlclose(handle);
            return nullptr;
        }
        return api; // never closed: GraphicsMagick cannot be set up twice in one process
    }
    g_problem = "the imaging back-end module was not found (looked for " + tried + ")";
    return nullptr;
}

} // namespace

std::vector<std::string> SearchPath() {
    if (const char* forced = std::getenv("TSL_IMAGING_BACKEND"); forced && *forced)
        return {forced};
    const std::string name = TSL_IMAGING_BACKEND_NAME;
    std::vector<std::string> places;
    const std::string exe = ExecutableFolder();
    if (!exe.empty()) {
        places.push_back(exe + "/" + name);
        places.push_back(exe + "/Bin/" + name);
    }
    places.push_back(TSL_IMAGING_BACKEND_BUILD_PATH);
    if (!exe.empty()) // an installed tool in bin/ of a prefix that was moved (DESTDIR, say)
        places.push_back(exe + "/../" TSL_IMAGING_BACKEND_INSTALL_RELATIVE "/" + name);
    places.push_back(TSL_IMAGING_BACKEND_INSTALL_PATH);
    return places;
}

const Api* Get() {
    static std::once_flag once;
    static const Api* api = nullptr;
    std::call_once(once, [] {
        api = Open();
        g_tried.store(true, std::memory_order_release);
    });
    return api;
}

const std::string& LoadProblem() {
    static const std::string none;
    return g_tried.load(std::memory_order_acquire) ? g_problem : none;
}

} // namespace tsl::backend
