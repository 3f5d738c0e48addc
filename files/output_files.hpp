// Files that are written together: all of them appear, or none.
//
// Each file is written first as an unnamed file (O_TMPFILE) in the folder
// it goes to, so that a failure or a kill while writing leaves nothing
// behind; only when every one is complete are they given their names. A
// name that is free is taken in one step (linkat). A file that replaces
// another is linked under a temporary name beside it and renamed over it;
// the catchable termination signals wait until every name is in place, so
// only SIGKILL, in the few system calls of that last step, can leave the
// new files half in place or a temporary name behind. Where a file system
// has no unnamed files, a named temporary file takes the unnamed one's
// place, removed on failure as before.
#pragma once

#include <string>
#include <vector>

struct StagedFile {
    std::string path;       // where it goes
    int fd = -1;            // the written file, open
    std::string temporary;  // its name, when it has one before it is placed
};

struct OutputSet {
    std::vector<StagedFile> files;
    std::string folder;  // a folder to make before the files are placed
    bool made_folder = false;
};

// Asks for `folder` to be made, if it is missing, when the files are
// placed; files in it are written in its parent until then. Returns an
// empty string, or what is wrong (naming the folder).
std::string plan_folder(OutputSet& outputs, const std::string& folder);

// Writes `data` as the next file of the set, to go to `path`. Returns an
// empty string, or what went wrong (naming `path`); the set is then to be
// discarded.
std::string stage_file(OutputSet& outputs, const std::string& path, const std::string& data);

// Places every staged file at its path. On failure no new file is left at
// any path (the files replaced so far stay replaced only when the failure
// comes after they were, which takes a rename failing between two that
// succeed) and the message names the path. Either way the set is spent.
std::string commit_files(OutputSet& outputs);

// Drops the staged files: nothing of them stays.
void discard_files(OutputSet& outputs);

// One file on its own: stage_file and commit_files.
std::string write_file_whole(const std::string& path, const std::string& data);
