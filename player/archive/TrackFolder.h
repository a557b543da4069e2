// CTrackFolder: the private folder an unpacked track lives in, and the clean-up of the
// folders that runs killed before they could remove their own left behind.
#pragma once

#include <memory>
#include <string>

// A folder "quillet-track-<pid>-XXXXXX" (mode 0700) under a root folder. Only its owner writes
// into it, under names it chooses itself; the folder and everything in it go with the
// object. The pid in the name tells a later run whether the owner is still alive.
// Not thread-safe; one thread uses an object at a time.
class CTrackFolder {
public:
    ~CTrackFolder();
    CTrackFolder(const CTrackFolder&) = delete;
    CTrackFolder& operator=(const CTrackFolder&) = delete;

    // Makes a new folder under strRoot (DefaultRoot() when empty). Null, with the reason in
    // strError, when it cannot be made.
    static std::unique_ptr<CTrackFolder> Create(std::string& strError,
                                                const std::string& strRoot = {});

    // $XDG_RUNTIME_DIR when it names a folder this user can write, else the system's
    // temporary folder ($TMPDIR, then /tmp).
    static std::string DefaultRoot();

    // Removes the folders under strRoot (DefaultRoot() when empty) whose owning process is
    // gone; folders of this process and of live ones stay. Returns how many went.
    static int RemoveLeftovers(const std::string& strRoot = {});

    // The pid a folder name carries, or -1 when the name is not one of ours.
    static long OwnerOf(const std::string& strName);

    const std::string& GetPath() const { return m_strPath; }
    // The path of a file directly inside the folder.
    std::string FilePath(const std::string& strName) const;
    // Creates a new file inside for writing (never an existing one, never through a link);
    // the descriptor, or -1 with errno set.
    int CreateFile(const std::string& strName) const;

    static constexpr char kPrefix[] = "quillet-track-";

private:
    CTrackFolder(std::string strPath, int nDirFd);

    std::string m_strPath;
    int m_nDirFd = -1;  // keeps the folder itself, whatever happens to its name
};
