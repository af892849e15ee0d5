// fast_obj_peer.cpp: the peer reader's implementation, for the read benchmark only.
#define FAST_OBJ_IMPLEMENTATION
#include <fast_obj.h>
