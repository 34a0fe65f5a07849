// Module text: placeholder until its code lands.
