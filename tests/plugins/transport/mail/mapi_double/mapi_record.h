#pragma once
// The recording Simple MAPI double ("Mapi32.dll" for tests) and its record.
//
// Each MAPISendMail call appends one record to the file named by the environment variable
// QLX_MAPI_RECORD, and answers with the number in QLX_MAPI_RESULT (SUCCESS_SUCCESS without it).
// A record is lines of "key value", ended by a line "end". Numbers are decimal; texts are the
// bytes as hexadecimal digits, or "-" for a null pointer. Keys:
//   session ui flags reserved                      the call's arguments
//   message.reserved message.flags                 numbers
//   message.subject message.note message.type message.date message.conversation   texts
//   message.originator                             "-" or "set"
//   recipients files                               nRecipCount, nFileCount
//   recipN.reserved recipN.class recipN.eid_size   numbers (N from 0)
//   recipN.name recipN.address                     texts
//   fileN.reserved fileN.flags fileN.position      numbers
//   fileN.path fileN.name fileN.type               texts (type "-" or "set")
//   fileN.content                                  text: the whole file as read at the call
//   fileN.open_error                               number: why it could not be read then
// The file is opened for reading shared for reading only, as a mail client reads it: a file
// still open for writing elsewhere cannot be read, and the record says so.
#define QLX_MAPI_RECORD_VARIABLE L"QLX_MAPI_RECORD"
#define QLX_MAPI_RESULT_VARIABLE L"QLX_MAPI_RESULT"
