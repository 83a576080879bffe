// CKXDiskFile: a file's full path split into its folder and its name, and whether it exists.
//
//   CKXDiskFile file(exePath);          // "C:\App\host.exe"
//   file.SetFileName("adjust.cfg");     // "C:\App\adjust.cfg"
//   file.SetPath("D:\Pictures");        // "D:\Pictures\adjust.cfg"
//
// The folder is everything up to and including the last "\" or "/" (a drive's "C:" counts as a
// folder too, so "C:a.jpg" has the folder "C:"); the name is the rest. Nothing touches the disk
// except Exist and IsFolder.
#pragma once
#include "kxgbaselib.h"

class KXGBASE_API CKXDiskFile
{
public:
// Construction
    explicit CKXDiskFile(const char* pszPathName = nullptr);

// Attributes
    // Folder + name, as given (no normalisation of "." or "..", no case change).
    CString GetPathName() const { return m_strFolder + m_strName; }
    // The folder with its trailing separator ("C:\Pictures\"), empty for a bare name.
    CString GetPath() const { return m_strFolder; }
    // The name without its folder ("photo.jpg").
    CString GetFileName() const { return m_strName; }
    // The name without its extension ("photo" of "photo.jpg", "archive.tar" of "archive.tar.gz",
    // the whole name when it has no dot).
    CString GetTitle() const;
    // What follows the name's last dot, without the dot ("jpg"); empty when the name has none.
    CString GetExtension() const;
    // TRUE when the path names an existing file (a folder of that name does not count).
    BOOL Exist() const;
    // TRUE when the path names an existing folder (a trailing "\" is allowed).
    static BOOL IsFolder(const char* pszPath);

// Operations
    // Replaces the whole path.
    void SetPathName(const char* pszPathName);
    // Moves the file into another folder, keeping its name. A folder without a trailing "\"
    // or "/" gets a "\", so "D:\Pictures" and "D:\Pictures\" name the same place and "D:"
    // means the drive's root; an empty folder leaves the bare name. Surrounding blanks of a
    // typed folder are dropped.
    void SetPath(const char* pszFolder);
    // Replaces the name, keeping the folder. A name that carries a folder of its own
    // ("sub\a.jpg") is taken relative to the current folder: the folder becomes "...\sub\".
    void SetFileName(const char* pszFileName);

private:
    CString m_strFolder;
    CString m_strName;
};

// The folder of the process's executable (the host, never a library), with its trailing "",
// and a file of that folder: where the settings files "beside the executable" live. Built from
// the whole path, however long the install path is.
KXGBASE_API CString GetExecutableFolder();
KXGBASE_API CString GetFileBesideExecutable(const char* pszFileName);
