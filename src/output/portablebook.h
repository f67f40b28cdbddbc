// What a published book carries of the runtime, and the copies of its files
// that let it open from a disk (a folder opened by double-click, a USB
// stick, an unpacked mail attachment) where the browser lets the page run
// scripts beside it but not fetch files.
#pragma once

#include <QString>
#include <QtGlobal>

namespace lw {

// Where the page finds the scripts that carry a portable book's files.
inline constexpr const char *kPortableFolder = "portable/";

// Removes from the book's own runtime (`root` ending in "/", runtime in
// ruffle/) each plain WebAssembly file that has a gzip copy beside it: the
// page unpacks that copy itself, and hosts set up for the book send the
// brotli or gzip copy in its place. Only browsers without
// DecompressionStream (before 2023) need the plain file; on hosts that do
// not compress they show the book's text. Returns the bytes removed. Throws
// PackageError when a file cannot be removed.
qint64 TrimOwnRuntime(const QString &root);

// The unpacked size of the largest WebAssembly file of the book's own
// runtime, plain or gzip (read from the gzip trailer), or 0 without one.
// Never fails.
qint64 OwnRuntimeBytes(const QString &root);

// Whether the package file at `path` (relative to the book's root) is one
// the page or the runtime fetches, and so one a portable book carries as a
// script: not the page, its scripts, the runtime's scripts or their
// compressed copies, licences or server settings. A gzip copy of a
// WebAssembly file is carried in place of the file. Never fails.
bool IsFetchedFile(const QString &path);

// Makes the package at `root` (ending in "/") open from a disk: each file
// IsFetchedFile takes is written again as portable/<path>.js, a script
// that hands its bytes in base64 to the page (`leafweaver.portable.put`),
// and source/book.js says "portable": true. A gzip copy of a WebAssembly
// file goes in under the file's own name, marked to be unpacked. Returns
// the bytes the scripts add. Throws PackageError when a file cannot be read
// or written, or the book has no source/book.js.
qint64 MakePortable(const QString &root);

}  // namespace lw
