#include "mapping/CHkolista.h"

CHkolista::CHkolista() = default;

CHkolista::~CHkolista() = default;
