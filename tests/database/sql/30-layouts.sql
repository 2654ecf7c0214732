-- The register's layouts of a drawing: the module replaces them on every export of the
-- drawing's layers and layouts (delete all rows of the attach id, then add one per layout).
--
-- Choices of this stand-in server: the rows are keyed by the attach id and the layout's name,
-- so adding a name twice keeps one row; "ordinal" keeps the order in which they were added.
-- Argument names are the module's parameter names, "@" included, so that they can never be
-- taken for a column.

CREATE TABLE drawing_layouts (
    attach_id   integer NOT NULL,
    layout_name varchar NOT NULL,
    ordinal     bigint GENERATED ALWAYS AS IDENTITY,
    PRIMARY KEY (attach_id, layout_name)
);

CREATE FUNCTION "__to_addDrawingLayout"("@layoutName" varchar, "@attachID" integer)
RETURNS void LANGUAGE sql AS $$
    INSERT INTO drawing_layouts (attach_id, layout_name)
    VALUES ("@attachID", "@layoutName")
    ON CONFLICT DO NOTHING;
$$;

CREATE FUNCTION "__to_deleteDrawingLayouts"("@attachID" integer)
RETURNS void LANGUAGE sql AS $$
    DELETE FROM drawing_layouts WHERE attach_id = "@attachID";
$$;
