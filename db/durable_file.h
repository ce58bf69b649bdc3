#pragma once

#include <string>

// The file-system steps that make written files last through a power cut, not only through a
// kill of the process: a file's data synced to the disk before a rename names it, and the
// directory synced after the rename so that the rename itself lasts. StagedOutput and the
// library's index files use them. Each step passes through the disk-event seam
// (disk_events.h), and every failure throws Error(tag, "Cannot write file <path>"), as a failed
// write does.

// Flushes what has been written to the file at path (its data and its size) to the disk.
void SyncFile(const std::string& path, const char* tag);
// Makes the entries of directory (files created, renamed or removed in it) last.
void SyncDirectory(const std::string& directory, const char* tag);
// Renames from over to, replacing it in one step.
void RenameFile(const std::string& from, const std::string& to, const char* tag);
// Removes path when it exists. A failure is not reported: callers remove only files that
// nothing reads.
void RemoveFile(const std::string& path);
// The directory part of path: "." for a bare name, "/" for a file in the root.
std::string DirectoryOf(const std::string& path);
