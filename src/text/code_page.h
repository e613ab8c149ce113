// The lead-byte test: which bytes begin a double-byte character in the code
// page that the host's texts use.
#pragma once

extern unsigned char leadByteTable[256];

// Whether leadByteTable marks any byte: without lead bytes, searches need no
// double-byte rule at all.
extern bool anyLeadBytes;

// Counts the changes of leadByteTable, so that what was worked out under
// one table can tell that it is out of date.
extern unsigned leadByteChanges;

// Whether b is the first byte of a double-byte character.
inline bool isLeadByte(unsigned char b)
{
    return leadByteTable[b] != 0;
}

// Fills table from the library's own lead-byte ranges for codePage (0 and the
// single-byte pages: no lead bytes). False, table untouched, when unknown.
bool ownLeadBytes(int codePage, unsigned char table[256]);

// Selects the lead bytes of codePage (0: the platform default). False, and
// nothing changes, when the code page is unknown.
bool selectCodePage(int codePage);
