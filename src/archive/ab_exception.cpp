#include "archive/ab_exception.h"

namespace sw {

std::string abMessageFor(int code) {
    switch (code) {
    case kAbZipVersion:
        return "Cannot extract file - newer version required";
    case kAbZipInvalidMethod:
        return "Cannot extract file - unsupported compression method";
    case kAbZipInvalidPassword:
        return "Cannot extract file - invalid password";
    case kAbZipInvalidFactor:
        return "Invalid Reduce Factor";
    case kAbUserAbort:
        return "Process aborted by user";
    case kAbNoSuchDirectory:
        return "Directory does not exist";
    case kAbZipBadCRC:
        return "Failed CRC Check";
    case kAbNoArchive:
        return "Archive does not exist - FileName is blank";
    case kAbZipInvalid:
        return "Invalid file - not a PKZip file";
    case kAbReadError:
        return "Error reading archive";
    case kAbUnhandledType:
        return "Unhandled Archive Type";
    case kAbUnsafePath:
        return "Item path leaves the base directory";
    case kAbUnsupportedEntryType:
        return "Item is a link, device or pipe";
    case kAbNameTooLong:
        return "Stored item name is too long";
    case kAbZipOverlap:
        return "Cannot extract file - data overlaps another item";
    case kAbItemIsArchive:
        return "Cannot extract file - it would overwrite the archive";
    default:
        return "";
    }
}

const char* errorClassName(TAbErrorClass errorClass) {
    switch (errorClass) {
    case ecArchive:
        return "ecArchive";
    case ecInOutError:
        return "ecInOutError";
    case ecFilerError:
        return "ecFilerError";
    case ecFileCreateError:
        return "ecFileCreateError";
    case ecFileOpenError:
        return "ecFileOpenError";
    case ecCabError:
        return "ecCabError";
    case ecOther:
        return "ecOther";
    }
    return "ecOther";
}

} // namespace sw
