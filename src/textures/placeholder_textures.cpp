// Module textures: placeholder until its code lands.
