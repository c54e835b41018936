#pragma once

#include <stdexcept>
#include <string>
#include <utility>

namespace sw {

// Error codes of the archive component; the message of each comes from a fixed table
// (abMessageFor) so that a code always reads the same wherever it is raised.
enum AbErrorCode : int {
    kAbZipVersion = 1,
    kAbZipInvalidMethod = 2,
    kAbZipInvalidPassword = 4,
    kAbZipInvalidFactor = 6,
    kAbUserAbort = 9,
    kAbNoSuchDirectory = 19,
    kAbZipBadCRC = 23,
    kAbNoArchive = 27,
    kAbZipInvalid = 28,
    kAbReadError = 29,
    kAbUnhandledType = 35,
    // Codes of our own for the item-level refusals the classic table has no entry for.
    kAbUnsafePath = 100,
    kAbUnsupportedEntryType = 101,
    kAbNameTooLong = 102,
    kAbInflateError = 103,
    kAbInflatePasswordError = 104,
    kAbZipOverlap = 105,
    kAbItemIsArchive = 106,
};

// The message of the fixed table for a code ("" for a code that has none).
std::string abMessageFor(int code);

// Every exception of the archive component: a message and a numeric ErrorCode.
class EAbException : public std::runtime_error {
public:
    explicit EAbException(int code) : std::runtime_error(abMessageFor(code)), m_errorCode(code) {}
    EAbException(int code, const std::string& message) : std::runtime_error(message), m_errorCode(code) {}

    int ErrorCode() const { return m_errorCode; }
    // What exactly was found wrong, where the message is the table's fixed text ("" if none).
    const std::string& cause() const { return m_cause; }
    // The class's name, as the command line prints it ("EAbZipInvalid").
    virtual const char* className() const { return "EAbException"; }

protected:
    void setCause(std::string cause) { m_cause = std::move(cause); }

private:
    int m_errorCode;
    std::string m_cause;
};

#define SW_AB_EXCEPTION(Name, Code)                                                                          \
    class Name : public EAbException {                                                                       \
    public:                                                                                                  \
        Name() : EAbException(Code) {}                                                                       \
        explicit Name(const std::string& message) : EAbException(Code, message) {}                           \
        const char* className() const override { return #Name; }                                             \
    };

SW_AB_EXCEPTION(EAbZipVersion, kAbZipVersion)
SW_AB_EXCEPTION(EAbZipInvalidMethod, kAbZipInvalidMethod)
SW_AB_EXCEPTION(EAbZipInvalidPassword, kAbZipInvalidPassword)
SW_AB_EXCEPTION(EAbZipInvalidFactor, kAbZipInvalidFactor)
SW_AB_EXCEPTION(EAbUserAbort, kAbUserAbort)
SW_AB_EXCEPTION(EAbNoSuchDirectory, kAbNoSuchDirectory)
SW_AB_EXCEPTION(EAbZipBadCRC, kAbZipBadCRC)
SW_AB_EXCEPTION(EAbNoArchive, kAbNoArchive)
SW_AB_EXCEPTION(EAbReadError, kAbReadError)
SW_AB_EXCEPTION(EAbUnhandledType, kAbUnhandledType)
// An item whose output path would leave the base directory (absolute, drive letter, "..").
SW_AB_EXCEPTION(EAbUnsafePath, kAbUnsafePath)
// An item that would become a symbolic link, device or pipe.
SW_AB_EXCEPTION(EAbUnsupportedEntryType, kAbUnsupportedEntryType)
// A stored name of 264 bytes or more.
SW_AB_EXCEPTION(EAbNameTooLong, kAbNameTooLong)
// An item whose local header or data lie over those of an item already read, or over the
// central directory (entries sharing data would multiply it).
SW_AB_EXCEPTION(EAbZipOverlap, kAbZipOverlap)
// An item whose output file is the archive being read.
SW_AB_EXCEPTION(EAbItemIsArchive, kAbItemIsArchive)

// A damaged archive: the message is the fixed one, the cause says what was found where.
class EAbZipInvalid : public EAbException {
public:
    explicit EAbZipInvalid(std::string cause) : EAbException(kAbZipInvalid) { setCause(std::move(cause)); }
    const char* className() const override { return "EAbZipInvalid"; }
};

// Raised by the deflate decoder; the message names the internal cause.
class EAbInflateError : public EAbException {
public:
    explicit EAbInflateError(const std::string& cause) : EAbException(kAbInflateError, cause) {}
    const char* className() const override { return "EAbInflateError"; }
};

class EAbInflatePasswordError : public EAbException {
public:
    EAbInflatePasswordError()
        : EAbException(kAbInflatePasswordError, "Inflate: stream is encrypted but passphrase is wrong") {}
    const char* className() const override { return "EAbInflatePasswordError"; }
};

#undef SW_AB_EXCEPTION

// Where a failure of one item comes from, as the item-failure event reports it.
enum TAbErrorClass {
    ecArchive,
    ecInOutError,
    ecFilerError,
    ecFileCreateError,
    ecFileOpenError,
    ecCabError,
    ecOther
};

// "ecArchive", ... as the command line prints it.
const char* errorClassName(TAbErrorClass errorClass);

} // namespace sw
