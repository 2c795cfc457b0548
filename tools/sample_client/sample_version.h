/* The file version of the sample updater and client, shared by both version resources.
   The release script reads it back from the built programs, so this is its only home. */
#pragma once

#define SAMPLE_FILEVERSION 2,0,0,1

/* The same version as text ("2,0,0,1") for the string table. */
#define SAMPLE_TEXT_OF_(...) #__VA_ARGS__
#define SAMPLE_TEXT_OF(...) SAMPLE_TEXT_OF_(__VA_ARGS__)
#define SAMPLE_FILEVERSION_TEXT SAMPLE_TEXT_OF(SAMPLE_FILEVERSION)
