// Module model: placeholder until its code lands.
