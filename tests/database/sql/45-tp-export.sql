-- The TP database's side of the TP export: one write per space block (rooms and buildings
-- with their space data, floors and sites with their gross area) and one per asset of a room.
--
-- Choices of this stand-in server: nothing is read back by the module, so each write lands in
-- a table of its own, where a test finds it. A space block is keyed by its parent id and
-- handle, a gross area by its location id, an asset by its location id and handle; exporting
-- one again replaces its row. Texts and decimals are kept unbounded, so that nothing the
-- export sends (a text beyond its declared size, a decimal beyond eight digits before the
-- point) is cut or refused. An asset whose block identifier is "REFUSED" is refused with an
-- error, so that an export that fails part-way can be seen. Argument names are the module's
-- parameter names, "@" included.

CREATE TABLE tp_space_blocks (
    parent_id          integer NOT NULL,
    handle_text        varchar NOT NULL,
    block_name         varchar,
    block_code         varchar,
    area               numeric,
    area_type          varchar,
    cost_centre        varchar,
    block_date         varchar,
    date_last_move     varchar,
    dept_charge        varchar,
    perimeter          numeric,
    room_height        numeric,
    special_req        varchar,
    tag_type           varchar,
    tot_staff          varchar,
    tot_wk_stns        varchar,
    volume             numeric,
    export_parameters  varchar,
    PRIMARY KEY (parent_id, handle_text)
);

CREATE TABLE tp_gross_areas (
    location_id        integer PRIMARY KEY,
    area               numeric,
    area_type          varchar,
    cost_centre        varchar,
    block_date         varchar,
    date_last_move     varchar,
    dept_charge        varchar,
    handle_text        varchar,
    perimeter          numeric,
    room_height        numeric,
    special_req        varchar,
    tag_type           varchar,
    tot_staff          varchar,
    tot_wk_stns        varchar,
    volume             numeric,
    export_parameters  varchar
);

CREATE TABLE tp_assets (
    location_id         integer NOT NULL,
    handle_text         varchar NOT NULL,
    block_identifier    varchar CHECK (block_identifier IS DISTINCT FROM 'REFUSED'),
    block_description   varchar,
    unique_description  varchar,
    point_x             numeric,
    point_y             numeric,
    exists_in_location  boolean,
    export_parameters   varchar,
    PRIMARY KEY (location_id, handle_text)
);

CREATE FUNCTION "__to_exportSpaceBlockToTP"(
    "@parentID" integer, "@name" varchar, "@code" varchar, "@area" numeric,
    "@areaType" varchar, "@costCentre" varchar, "@date" varchar, "@dateLastMove" varchar,
    "@deptCharge" varchar, "@handle" varchar, "@perimeter" numeric, "@roomHeight" numeric,
    "@specialReq" varchar, "@tagType" varchar, "@totStaff" varchar, "@totWkStns" varchar,
    "@volume" numeric, "@exportParameters" varchar)
RETURNS void LANGUAGE sql AS $$
    INSERT INTO tp_space_blocks VALUES ("@parentID", "@handle", "@name", "@code", "@area",
            "@areaType", "@costCentre", "@date", "@dateLastMove", "@deptCharge", "@perimeter",
            "@roomHeight", "@specialReq", "@tagType", "@totStaff", "@totWkStns", "@volume",
            "@exportParameters")
        ON CONFLICT (parent_id, handle_text) DO UPDATE SET block_name = EXCLUDED.block_name,
            block_code = EXCLUDED.block_code, area = EXCLUDED.area,
            area_type = EXCLUDED.area_type, cost_centre = EXCLUDED.cost_centre,
            block_date = EXCLUDED.block_date, date_last_move = EXCLUDED.date_last_move,
            dept_charge = EXCLUDED.dept_charge, perimeter = EXCLUDED.perimeter,
            room_height = EXCLUDED.room_height, special_req = EXCLUDED.special_req,
            tag_type = EXCLUDED.tag_type, tot_staff = EXCLUDED.tot_staff,
            tot_wk_stns = EXCLUDED.tot_wk_stns, volume = EXCLUDED.volume,
            export_parameters = EXCLUDED.export_parameters;
$$;

CREATE FUNCTION "__to_exportGrossAreaBlocktoTP"(
    "@locationID" integer, "@area" numeric, "@areaType" varchar, "@costCentre" varchar,
    "@date" varchar, "@dateLastMove" varchar, "@deptCharge" varchar, "@handle" varchar,
    "@perimeter" numeric, "@roomHeight" numeric, "@specialReq" varchar, "@tagType" varchar,
    "@totStaff" varchar, "@totWkStns" varchar, "@volume" numeric,
    "@exportParameters" varchar)
RETURNS void LANGUAGE sql AS $$
    INSERT INTO tp_gross_areas VALUES ("@locationID", "@area", "@areaType", "@costCentre",
            "@date", "@dateLastMove", "@deptCharge", "@handle", "@perimeter", "@roomHeight",
            "@specialReq", "@tagType", "@totStaff", "@totWkStns", "@volume",
            "@exportParameters")
        ON CONFLICT (location_id) DO UPDATE SET area = EXCLUDED.area,
            area_type = EXCLUDED.area_type, cost_centre = EXCLUDED.cost_centre,
            block_date = EXCLUDED.block_date, date_last_move = EXCLUDED.date_last_move,
            dept_charge = EXCLUDED.dept_charge, handle_text = EXCLUDED.handle_text,
            perimeter = EXCLUDED.perimeter, room_height = EXCLUDED.room_height,
            special_req = EXCLUDED.special_req, tag_type = EXCLUDED.tag_type,
            tot_staff = EXCLUDED.tot_staff, tot_wk_stns = EXCLUDED.tot_wk_stns,
            volume = EXCLUDED.volume, export_parameters = EXCLUDED.export_parameters;
$$;

CREATE FUNCTION "__to_tp_exportAsset"(
    "@locationID" integer, "@handle" varchar, "@acadBlockIdentifier" varchar,
    "@acadBlockDescription" varchar, "@uniqueDescription" varchar, "@pointX" numeric,
    "@pointY" numeric, "@assetExistsInLocation" boolean, "@exportParameters" varchar)
RETURNS void LANGUAGE sql AS $$
    INSERT INTO tp_assets VALUES ("@locationID", "@handle", "@acadBlockIdentifier",
            "@acadBlockDescription", "@uniqueDescription", "@pointX", "@pointY",
            "@assetExistsInLocation", "@exportParameters")
        ON CONFLICT (location_id, handle_text) DO UPDATE SET
            block_identifier = EXCLUDED.block_identifier,
            block_description = EXCLUDED.block_description,
            unique_description = EXCLUDED.unique_description, point_x = EXCLUDED.point_x,
            point_y = EXCLUDED.point_y, exists_in_location = EXCLUDED.exists_in_location,
            export_parameters = EXCLUDED.export_parameters;
$$;
