#pragma once
// Files and paths. Paths use "/"; a backslash from a Windows-style path is taken as "/" too.
#include <string>
#include <string_view>

namespace platform {

// Writes the whole file atomically: a temporary file beside it, flushed and synced, then renamed
// over the old one, so a crash or power cut leaves either the old or the new file, never half.
bool writeFileAtomic(const std::string& path, std::string_view data);
// The temporary file of an atomic replace of `path`: a new name beside it that nobody else uses
// (created exclusively, so no link or other writer's file is ever opened), with the mode of the
// regular file it will replace (0644 for a new one). The descriptor, or -1 with errno; `tmp` gets
// its name. syncFolderOf makes the rename that follows durable.
int createReplacement(const std::string& path, std::string& tmp);
void syncFolderOf(const std::string& path);

// Opens an outside file for reading (or with `flags`), refusing anything but a regular file
// without blocking on it: a FIFO, device or socket named like a file never hangs the caller.
// -1 with errno (EINVAL for a file that is not regular).
int openRegularFile(const std::string& path, int flags = 0);

bool readFile(const std::string& path, std::string& out);

// Reads a whole file of at most maxBytes. Missing: no such file; Unreadable: it exists but cannot
// be read (no permission, a directory, an I/O error); TooLarge: more than maxBytes (out is left empty).
enum class ReadResult { Ok, Missing, Unreadable, TooLarge };
ReadResult readFileLimited(const std::string& path, std::string& out, size_t maxBytes);
bool fileExists(const std::string& path);
// Anything at all at that path (a file, a folder, ...).
bool pathExists(const std::string& path);
bool removeFile(const std::string& path);
bool makeDirs(const std::string& path);
// Makes a file writable by its owner (the Windows "reset attributes" of a settings file).
bool makeWritable(const std::string& path);

// "a" + "/" + "b", with backslashes turned into slashes.
std::string joinPath(std::string_view dir, std::string_view name);
std::string normalizePath(std::string_view path);
// Names that come from files or the console and become paths must stay inside their folder: "" when
// `name` is a plain file name (no "/" or "\", not "." or "..", no control characters, at most 255
// bytes), else why not.
std::string plainFileNameProblem(std::string_view name);
inline bool isPlainFileName(std::string_view name) { return plainFileNameProblem(name).empty(); }

// The text after the last "/" or "\".
std::string fileNamePart(std::string_view path);
std::string currentDir();
bool changeDir(const std::string& dir);

} // namespace platform
