#include "inputs/catalogue.hpp"

#include "inputs/images.hpp"
#include "inputs/patterns.hpp"

void fill_catalogue(TestEntry (&catalogue)[kTestCount]) {
    catalogue[0] = {gen_ostrel_image, "Ostrel"};
    catalogue[1] = {gen_sierpinsky_image, "Sierpinsky"};
    catalogue[2] = {gen_vhs_image, "VHS"};
    catalogue[3] = {gen_horizontal_sine, "Horizontal Sine"};
    catalogue[4] = {gen_vertical_sine, "Vertical Sine"};
    catalogue[5] = {gen_pattern, "Pattern"};
    catalogue[6] = {gen_vertical_line, "Vertical Line"};
    catalogue[7] = {gen_rotating_box, "Rotating Box"};
    catalogue[8] = {gen_pulsating_sphere, "Pulsating Sphere"};
    catalogue[9] = {gen_thingie, "Thingie"};
}
