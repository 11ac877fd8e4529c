#pragma once

namespace quillbarrow {

class Model;

namespace Animation {

// Reads the first skin, the node records of an unskinned model and every
// animation out of the model's parsed glTF, creates the joint matrix block
// of a skinned model, and sizes the node override state. Runs once, at the
// end of the model's upload; problems of the asset are reported on stderr.
void extract(Model& model);

}  // namespace Animation

}  // namespace quillbarrow
