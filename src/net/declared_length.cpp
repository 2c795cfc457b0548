// declaredLength through the answer's header.
#include "net/declared_length.h"

bool declaredLength(HINTERNET request, DWORD* length) {
  DWORD size = sizeof *length;
  return HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, length, &size, nullptr) != FALSE;
}
