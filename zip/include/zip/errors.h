// The engine's exception classes and its table of message texts.
#pragma once

#include <string>

#include "platform/exceptions.h"

namespace zip {

// Numbers of the engine's texts; a host that handles OnHandleMessage recognises a message by its
// number whatever the language of the text.
enum MessageId : int {
  kMsgOpenZipFile = 176,
  kMsgZipFileFilter = 177,
  kMsgCanceledSetDestDir = 178,
  kMsgIndexOutOfRange = 179,
  kMsgUserAborted = 181,
  kMsgIncompleteZip = 182,
  kMsgNotValidZip = 183,
  kMsgInsertDisk = 184,
  kMsgOfMultiDiskSet = 185,
  kMsgCanceledSetZipName = 186,
  kMsgCanceledNewDisk = 187,
  kMsgPrematureEnd = 194,
  kMsgReplaceExisting = 196,
  kMsgUnknownMethod = 197,
  kMsgZipError = 198,
  kMsgBiggerThanUncompressed = 199,
  kMsgFileExistsAlert = 200,
  kMsgInvalidCompressedData = 201,
  kMsgNoFileName = 202,
  kMsgUnsupportedEncryption = 203,
  kMsgLocalHeaderMissing = 204,
  kMsgOverlappedEntries = 205,
  kMsgCantWriteUcf = 207,
  kMsgNotAZipArchive = 208,
  kMsgDirectoryRebuilt = 209,
  kMsgExtraFieldMissing = 210,
  kMsgCommentTruncated = 211,
  kMsgEntryCountWrong = 212,
};

// The text of a message id; empty for a number the table does not hold.
const char* LoadMessage(int id);

class EZipException : public platform::Exception {
 public:
  using platform::Exception::Exception;
};
class EBadZipFile : public EZipException {
  using EZipException::EZipException;
};
// Entries share stretches of the archive's data: a zip bomb that declares far more than it holds.
class EOverlappedEntries : public EBadZipFile {
  using EBadZipFile::EBadZipFile;
};
class EIncompleteZip : public EZipException {
  using EZipException::EZipException;
};
class ENotAZipFile : public EZipException {
  using EZipException::EZipException;
};
class EFatalUnzipError : public EZipException {
  using EZipException::EZipException;
};
class EUserCanceled : public EZipException {
  using EZipException::EZipException;
};
class EBiggerThanUncompressed : public EZipException {
  using EZipException::EZipException;
};
class ECantWriteUCF : public EZipException {
  using EZipException::EZipException;
};
class ECanceledUnzipToBuffer : public EZipException {
  using EZipException::EZipException;
};

// zlib failures of the engine.
class EZLibError : public platform::Exception {
  using platform::Exception::Exception;
};
class EZCompressionError : public EZLibError {
  using EZLibError::EZLibError;
};

}  // namespace zip
