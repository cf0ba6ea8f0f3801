// File functions of the platform: existence, and the whole-stream save.
#include <windows.h>

#include "platform/Classes.h"
#include "platform/SysUtils.h"

bool FileExists(const AnsiString& fileName)
{
    DWORD attributes = GetFileAttributesA(fileName.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

namespace {

// A kernel handle closed exactly once.
class ScopedFileHandle {
public:
    explicit ScopedFileHandle(HANDLE handle) noexcept : handle_(handle) {}
    ScopedFileHandle(const ScopedFileHandle&) = delete;
    ScopedFileHandle& operator=(const ScopedFileHandle&) = delete;
    ~ScopedFileHandle() { Close(); }
    HANDLE Get() const noexcept { return handle_; }
    bool Valid() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    bool Close() noexcept
    {
        bool closed = true;
        if (Valid())
            closed = CloseHandle(handle_) != FALSE;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

// The temporary file beside the target, deleted unless it was moved over it.
class TemporaryFile {
public:
    explicit TemporaryFile(const AnsiString& path) : path_(path) {}
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    ~TemporaryFile()
    {
        if (!kept_)
            DeleteFileA(path_.c_str());
    }
    const AnsiString& Path() const noexcept { return path_; }
    void Keep() noexcept { kept_ = true; }

private:
    AnsiString path_;
    bool kept_ = false;
};

// Opens a new, unshared file beside the target: "<target>.<n>.mivaro-tmp".
HANDLE CreateTemporaryBeside(const AnsiString& target, AnsiString& tempPath)
{
    const DWORD seed = GetCurrentProcessId() * 2654435761u ^ GetTickCount();
    for (DWORD attempt = 0; attempt < 100; ++attempt) {
        AnsiString candidate = target + Format(".%08lx.mivaro-tmp", static_cast<unsigned long>(seed + attempt));
        HANDLE file = CreateFileA(candidate.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            tempPath = candidate;
            return file;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    return INVALID_HANDLE_VALUE;
}

// Whether the target can be replaced at all: it must not be read-only, and
// no other program may hold it open without sharing.
bool TargetIsReplaceable(const AnsiString& target)
{
    DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY))
        return false;
    ScopedFileHandle probe(CreateFileA(target.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
    return probe.Valid();
}

}  // namespace

void TCustomMemoryStream::SaveToFile(const AnsiString& fileName) const
{
    if (!TargetIsReplaceable(fileName))
        throw EFCreateError(fileName);

    AnsiString tempPath;
    HANDLE created = CreateTemporaryBeside(fileName, tempPath);
    if (created == INVALID_HANDLE_VALUE)
        throw EFCreateError(fileName);
    // Declared before the handle, so the handle is closed before the file
    // is deleted: an open file cannot be deleted.
    TemporaryFile temporary(tempPath);
    ScopedFileHandle file(created);

    // One write of the whole size, straight from the stream's memory.
    DWORD written = 0;
    if (size_ > 0 && (!WriteFile(file.Get(), memory_, size_, &written, nullptr) || written != size_))
        throw EWriteError();
    if (!FlushFileBuffers(file.Get()) || !file.Close())
        throw EWriteError();

    if (!MoveFileExA(temporary.Path().c_str(), fileName.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        throw EFCreateError(fileName);
    temporary.Keep();
}
