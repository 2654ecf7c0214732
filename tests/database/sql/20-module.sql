-- The module's own records: its details, the times it was recorded as running, and the
-- layers of drawings recorded in the register.

CREATE TABLE module_details (
    id serial PRIMARY KEY,
    "moduleName" varchar NOT NULL,
    "moduleDescription" varchar NOT NULL,
    "moduleVersion" varchar NOT NULL,
    "moduleDate" timestamp NOT NULL,
    "recordedAt" timestamp NOT NULL DEFAULT now()
);

CREATE TABLE module_running (
    id serial PRIMARY KEY,
    "moduleName" varchar NOT NULL,
    "startedAt" timestamp NOT NULL DEFAULT now()
);

CREATE TABLE drawing_layers (
    id serial PRIMARY KEY,
    "layerName" varchar NOT NULL,
    "layerDescription" varchar NOT NULL,
    "layerColour" smallint NOT NULL,
    "attachID" integer NOT NULL
);

CREATE OR REPLACE FUNCTION "__mod_setModDetails"(
    "moduleName" varchar, "moduleDescription" varchar, "moduleVersion" varchar, "moduleDate" timestamp)
RETURNS integer LANGUAGE sql AS $$
    INSERT INTO module_details ("moduleName", "moduleDescription", "moduleVersion", "moduleDate")
    VALUES ($1, $2, $3, $4) RETURNING id;
$$;

CREATE OR REPLACE FUNCTION "__mod_setModRunning"("MODNAME" varchar)
RETURNS integer LANGUAGE sql AS $$
    INSERT INTO module_running ("moduleName") VALUES ($1) RETURNING id;
$$;

CREATE OR REPLACE FUNCTION "__to_addDrawingLayer"(
    "layerName" varchar, "layerDescription" varchar, "layerColour" smallint, "attachID" integer)
RETURNS integer LANGUAGE sql AS $$
    INSERT INTO drawing_layers ("layerName", "layerDescription", "layerColour", "attachID")
    VALUES ($1, $2, $3, $4) RETURNING id;
$$;
